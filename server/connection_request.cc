#include "server/connection_request.h"

#include <vector>

#include "base/text_numbers.h"
#include "protocol/session_start.h"
#include "protocol/traffic_log.h"
#include "server/admission.h"

namespace orlund {

std::shared_ptr<cClientConnection> OnConnectionRequest(ServerState& state,
                                                       const std::string& peer_address,
                                                       int32_t peer_port,
                                                       const AcceptTransport& accept) {
  if (!IsAddressAllowed(peer_address, state.settings.AllowedActiveXClientAddresses)) {
    state.log.ServerLog(state.texts.GetText(kTextAddressNotAllowed) + " " + peer_address);
    ++state.metrics.refused_not_allowed;
    return nullptr;
  }
  // Only connected members count. Members whose socket is gone leave here
  // as they would in the timer's sweep, so clients that connect and close
  // quickly cannot fill the collection; no broadcast is walking it now.
  std::erase_if(state.ClientConnections, [](const std::shared_ptr<cClientConnection>& member) {
    if (member->IsConnected()) return false;
    member->objWinSock->Close();
    return true;
  });
  if (state.ClientConnections.size() >= ServerState::kMaxClientConnections) {
    state.log.ServerLog(state.texts.GetText(kTextTooManyClients) + " " + peer_address);
    ++state.metrics.refused_too_many;
    return nullptr;
  }
  auto connection = std::make_shared<cClientConnection>(accept(), state.clock.steady_now());
  state.List_Packets.Add(
      ClientConnectedLine(state.clock.local_now(), PeerText(peer_address, peer_port)));
  SendSessionStart(state, *connection);
  state.log.ServerLog(state.texts.GetText(kTextClientAdmitted) + " " + peer_address);
  state.ClientConnections.push_back(connection);
  return connection;
}

}  // namespace orlund
