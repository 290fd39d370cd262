#pragma once
// Runs the handler of one received packet, and cuts a connection's received
// bytes into packets.

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "protocol/server_state.h"

namespace orlund {

// Runs the handler the catalogue names for `type` on the payload. Types
// without a handler (0, 1, 2, 3, 7 and unknown codes) are ignored. A
// request that cannot be decoded is dropped whole; no error of a handler
// reaches the caller.
void Dispatch(ServerState& state, cClientConnection& connection, int type,
              std::string_view payload);

// objWinSock_DataArrival: stamps the arrival time, appends the bytes, and
// logs and dispatches every whole packet in arrival order. A declared length
// above the framing limit is handled as a socket error of this connection.
// A client's packets are handled for at most kTurnLength at a time; then, or
// while an answer of the client is held (AnswerAt), the rest wait in its
// buffer, and past kWaitingBytesLimit waiting bytes its socket stops being
// read. So a client that floods the server cannot hold up the others.
// `now` is the time the bytes were read.
void OnDataArrival(ServerState& state, cClientConnection& connection, std::string_view bytes,
                   std::chrono::steady_clock::time_point now);
inline void OnDataArrival(ServerState& state, cClientConnection& connection,
                          std::string_view bytes) {
  OnDataArrival(state, connection, bytes, state.clock.steady_now());
}

inline constexpr std::chrono::milliseconds kTurnLength{1};
inline constexpr size_t kWaitingBytesLimit = 65536;

// Sends the packet of `type` to the connection alone at `due`, at once when
// `due` has come. Until then the connection's later packets wait, so the
// client gets its answers in the order of its requests; other clients are
// served meanwhile, as the wait is a timer of the connection's socket.
void AnswerAt(ServerState& state, cClientConnection& connection,
              std::chrono::steady_clock::time_point due, int type, std::string payload);

// objWinSock_Close: the peer closed the connection. Logs it and closes the
// socket; the timer's sweep removes the connection later. Packets of the
// client still waiting are handled first, all but those whose only effect
// is an answer to it. The same holds for the packets that arrived with a
// burst whose answer failed to send and closed the socket: handled at once,
// as a closed socket has no timer for later turns.
void OnSocketClose(ServerState& state, cClientConnection& connection);

// objWinSock_Error: a socket error. Logs it and closes the socket.
void OnSocketError(ServerState& state, cClientConnection& connection,
                   const std::string& description);

}  // namespace orlund
