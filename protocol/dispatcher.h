#pragma once
// Runs the handler of one received packet, and cuts a connection's received
// bytes into packets.

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
void OnDataArrival(ServerState& state, cClientConnection& connection, std::string_view bytes);

// objWinSock_Close: the peer closed the connection. Logs it and closes the
// socket; the timer's sweep removes the connection later.
void OnSocketClose(ServerState& state, cClientConnection& connection);

// objWinSock_Error: a socket error. Logs it and closes the socket.
void OnSocketError(ServerState& state, cClientConnection& connection,
                   const std::string& description);

}  // namespace orlund
