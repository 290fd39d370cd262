#include "protocol/sending.h"

#include "protocol/framing.h"

namespace orlund {

void SendPacket(ServerState& state, int scope, cClientConnection& connection, int type,
                std::string_view payload) {
  std::string packet = EncodePacket(type, payload);
  SendScope s = ToSendScope(scope);
  if (s == ToAll || s == ToAllOthers) {
    // The count is read again before each step: nothing removes members
    // during a broadcast, but a send must never index past the end.
    for (size_t i = 0; i < state.ClientConnections.size(); ++i) {
      cClientConnection& member = *state.ClientConnections[i];
      if (s == ToAllOthers && &member == &connection) continue;
      LogPacket(state, member, DirectionSent, type, payload);
      SendRawToClient(member, packet);
    }
    return;
  }
  LogPacket(state, connection, DirectionSent, type, payload);
  SendRawToClient(connection, std::move(packet));
}

void SendRawToClient(cClientConnection& connection, std::string packet) {
  if (!connection.IsConnected()) return;
  connection.objWinSock->Write(std::move(packet));
}

void LogPacket(ServerState& state, const cClientConnection& connection, PacketDirection direction,
               int type, std::string_view payload) {
  if (type == NETWORK_COMMON_KEEPALIVE) return;
  std::tm now = state.clock.local_now();
  std::string peer = connection.PeerName();
  std::string line = PacketLine(now, direction, peer, type, payload.size());
  state.List_Packets.Add(line);
  if (state.Menu_File_Continous_Debug) {
    // Errors of the traffic file are ignored: the list line is already there.
    AppendTrafficRecord(TrafficLogDirectory(state.ProjectDirectory), now,
                        TrafficRecord(line, peer, direction, type, payload));
  }
}

}  // namespace orlund
