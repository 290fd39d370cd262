#pragma once
// Admission of a new client: the allow-list, the limit of 100 connections,
// the start packets, and joining ClientConnections.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "protocol/server_state.h"

namespace orlund {

// Creates the socket of an admitted connection (the event loop accepts the
// request on it; tests hand out an in-memory one).
using AcceptTransport = std::function<std::unique_ptr<Transport>()>;

// Handles the connection request of `peer_address`:`peer_port`. A peer that
// matches no pattern of AllowedActiveXClientAddresses is refused with the
// server log line text 881; with 100 connected members already there, with
// text 880 (members whose socket is closed are removed first). Refused, it returns nullptr and
// `accept` is not called: the caller closes the request without sending anything. Admitted, it
// creates the connection on accept()'s socket, adds the "(client connected)" list line, sends the
// start packets, logs text 879, and only then appends the connection to ClientConnections (so no
// broadcast reaches it before its start packets) and returns it.
std::shared_ptr<cClientConnection> OnConnectionRequest(ServerState& state,
                                                       const std::string& peer_address,
                                                       int32_t peer_port,
                                                       const AcceptTransport& accept);

}  // namespace orlund
