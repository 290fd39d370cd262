#include "protocol/sending.h"

#include "protocol/framing.h"

namespace orlund {

void SendPacket(ServerState& state, int scope, cClientConnection& connection, int type,
                std::string_view payload) {
  SendScope s = ToSendScope(scope);
  if (s == ToAll || s == ToAllOthers) {
    // One packet, shared by every member's queue.
    const SharedPacket packet = MakeSharedPacket(EncodePacket(type, payload));
    // The count is read again before each step: nothing removes members
    // during a broadcast, but a send must never index past the end.
    for (size_t i = 0; i < state.ClientConnections.size(); ++i) {
      cClientConnection& member = *state.ClientConnections[i];
      if (s == ToAllOthers && &member == &connection) continue;
      LogPacket(state, member, DirectionSent, type, payload);
      if (member.IsConnected()) member.objWinSock->WriteShared(packet);
    }
    return;
  }
  LogPacket(state, connection, DirectionSent, type, payload);
  SendRawToClient(connection, EncodePacket(type, payload));
}

void SendKeptAnswer(ServerState& state, cClientConnection& connection, const SharedPacket& packet) {
  const std::string_view bytes = packet->bytes;
  LogPacket(state, connection, DirectionSent, static_cast<uint8_t>(bytes[0]),
            bytes.substr(kPacketHeaderSize));
  if (connection.IsConnected()) connection.objWinSock->WriteShared(packet);
}

void SendRawToClient(cClientConnection& connection, std::string packet) {
  if (!connection.IsConnected()) return;
  connection.objWinSock->Write(std::move(packet));
}

void LogPacket(ServerState& state, const cClientConnection& connection, PacketDirection direction,
               int type, std::string_view payload) {
  if (type == NETWORK_COMMON_KEEPALIVE) return;
  const std::tm now = state.clock.local_now();
  const std::string& peer = connection.PeerName();
  state.List_Packets.AddPacketLine(now, direction, peer, type, payload.size());
  if (state.Menu_File_Continous_Debug) {
    // Errors of the traffic file are ignored: the list line is already there.
    AppendTrafficRecord(
        TrafficLogDirectory(state.ProjectDirectory), now,
        TrafficRecord(state.List_Packets.lines().back(), peer, direction, type, payload));
  }
}

}  // namespace orlund
