#include "protocol/dispatcher.h"

#include <exception>

#include "base/text_numbers.h"
#include "protocol/audit.h"
#include "protocol/catalogue.h"
#include "protocol/codec.h"
#include "protocol/sending.h"

namespace orlund {

void Dispatch(ServerState& state, cClientConnection& connection, int type,
              std::string_view payload) {
  RequestHandler handler = HandlerFor(type);
  if (handler == nullptr) return;
  ++state.metrics.requests[static_cast<uint8_t>(type)];
  if (!ChangeAllowed(state, connection, type)) return;
  try {
    handler(state, connection, payload);
  } catch (const DecodeError&) {
    // A request that ends before its fields is dropped whole: the handler
    // decodes everything before it changes anything.
  } catch (const std::exception& e) {
    // No error of one client's request may reach the event loop.
    state.List_Packets.Add(PeerText(connection.PeerAddress(), connection.PeerPort()) + " " +
                           MessageName(type) + " dropped: " + e.what());
  }
}

void OnDataArrival(ServerState& state, cClientConnection& connection, std::string_view bytes) {
  connection.m_NetworkLastPacketFromClientTimeStamp = state.clock.steady_now();
  connection.m_ClientBuffer.Feed(bytes);
  Frame frame;
  for (;;) {
    FrameStatus status = connection.m_ClientBuffer.Next(frame);
    if (status == FrameStatus::kNeedMore) return;
    if (status == FrameStatus::kTooLong) {
      if (connection.IsConnected())
        OnSocketError(state, connection, connection.m_ClientBuffer.error());
      return;
    }
    LogPacket(state, connection, DirectionReceived, frame.type, frame.payload);
    Dispatch(state, connection, frame.type, frame.payload);
  }
}

void OnSocketClose(ServerState& state, cClientConnection& connection) {
  state.log.ServerLog(state.texts.GetText(kTextConnectionClosedByClient) + " " +
                      connection.PeerAddress());
  state.List_Packets.Add(SocketClosedLine(state.clock.local_now(), connection.PeerName()));
  connection.objWinSock->Close();
}

void OnSocketError(ServerState& state, cClientConnection& connection,
                   const std::string& description) {
  state.log.ServerLog(state.texts.GetText(kTextSocketError) + " " + connection.PeerAddress() + "(" +
                      description + ")");
  connection.objWinSock->Close();
}

}  // namespace orlund
