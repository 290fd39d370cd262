#include "protocol/dispatcher.h"

#include <exception>
#include <optional>
#include <utility>

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

namespace {

void CutPackets(ServerState& state, cClientConnection& connection,
                std::chrono::steady_clock::time_point start);

struct HeldAnswer {
  int type;
  std::string payload;
};

// Lets the connection's waiting packets be handled once `due` has come,
// after its held answer when there is one.
void WaitForTurn(ServerState& state, cClientConnection& connection,
                 std::chrono::steady_clock::time_point due, std::optional<HeldAnswer> answer) {
  connection.PacketsWaiting = true;
  connection.objWinSock->WaitUntil(due, [&state, &connection, answer = std::move(answer)] {
    connection.PacketsWaiting = false;
    if (answer) SendPacket(state, ToClient, connection, answer->type, answer->payload);
    CutPackets(state, connection, state.clock.steady_now());
    if (connection.PacketsWaiting) return;
    if (connection.PeerClosed) {
      OnSocketClose(state, connection);
    } else {
      connection.objWinSock->SetReading(true);
    }
  });
}

// Requests whose only effects are an answer to the client and its own login
// or area: not worth handling for a client that has left.
bool OnlyForTheClient(int type) {
  switch (type) {
    case NETWORK_COMMON_RECEIVERTYPES:
    case NETWORK_COMMON_RECEIVERS:
    case NETWORK_COMMON_PASSWORD:
    case NETWORK_COMMON_PROFILES:
    case NETWORK_COMMON_AREA:
    case NETWORK_TEXTMESSAGE_LASTMSGRECEIVERS:
    case NETWORK_TEXTMESSAGE_LASTMSGTEXT:
    case NETWORK_HOLIDAYLABELS:
    case NETWORK_DAYTYPENAMES:
    case NETWORK_PROFILE_CALENDAR:
      return true;
    default:
      return false;
  }
}

// Logs and dispatches the whole packets in the connection's buffer, in
// arrival order, until none is left, they have to wait, or the client's turn
// is over, which began at `start`. A call while the connection's packets are
// being cut (a wait that ended at once, inside a handler) leaves the work to
// the loop running.
void CutPackets(ServerState& state, cClientConnection& connection,
                std::chrono::steady_clock::time_point start) {
  if (connection.CuttingPackets) return;
  connection.CuttingPackets = true;
  const auto turn_end = start + kTurnLength;
  auto now = start;
  Frame frame;
  while (!connection.PacketsWaiting) {
    FrameStatus status = connection.m_ClientBuffer.Next(frame);
    if (status == FrameStatus::kNeedMore) break;
    if (status == FrameStatus::kTooLong) {
      if (connection.IsConnected())
        OnSocketError(state, connection, connection.m_ClientBuffer.error());
      break;
    }
    LogPacket(state, connection, DirectionReceived, frame.type, frame.payload);
    // A client that has gone (it closed its end, or the server closed its
    // socket on a failed send) still has its changes handled for the others.
    const bool gone = connection.PeerClosed || !connection.IsConnected();
    if (!gone || !OnlyForTheClient(frame.type)) {
      Dispatch(state, connection, frame.type, frame.payload);
    }
    // A client whose packets wait in the server is not silent. The clock is
    // read again only while more of its bytes wait: a turn's last packet,
    // usually its only one, keeps the time the turn had before it.
    if (connection.m_ClientBuffer.pending() > 0) now = state.clock.steady_now();
    connection.m_NetworkLastPacketFromClientTimeStamp = now;
    if (!connection.PacketsWaiting && now >= turn_end && connection.IsConnected()) {
      // The others get their turn first; the rest is handled after them.
      WaitForTurn(state, connection, now, std::nullopt);
    }
  }
  connection.CuttingPackets = false;
}

}  // namespace

void OnDataArrival(ServerState& state, cClientConnection& connection, std::string_view bytes,
                   std::chrono::steady_clock::time_point now) {
  connection.m_NetworkLastPacketFromClientTimeStamp = now;
  connection.m_ClientBuffer.Feed(bytes);
  CutPackets(state, connection, now);
  if (connection.PacketsWaiting && connection.m_ClientBuffer.pending() > kWaitingBytesLimit) {
    connection.objWinSock->SetReading(false);
  }
}

void AnswerAt(ServerState& state, cClientConnection& connection,
              std::chrono::steady_clock::time_point due, int type, std::string payload) {
  if (due <= state.clock.steady_now()) {
    SendPacket(state, ToClient, connection, type, payload);
    return;
  }
  WaitForTurn(state, connection, due, HeldAnswer{type, std::move(payload)});
}

void OnSocketClose(ServerState& state, cClientConnection& connection) {
  if (connection.PacketsWaiting && !connection.PeerClosed) {
    // What it sent before it left is still handled, in its turns but without
    // waiting for a held answer; the socket is closed after that.
    connection.PeerClosed = true;
    WaitForTurn(state, connection, state.clock.steady_now(), std::nullopt);
    return;
  }
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
