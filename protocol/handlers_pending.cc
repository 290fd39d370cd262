// Request handlers not yet written: each ignores its request.
#include "protocol/handlers.h"

namespace orlund {

#define ORLUND_PENDING_HANDLER(name) \
  void name(ServerState&, cClientConnection&, std::string_view) {}

ORLUND_PENDING_HANDLER(HandleReceiverTypes)
ORLUND_PENDING_HANDLER(HandleReceivers)
ORLUND_PENDING_HANDLER(HandleReceiverUpdate)
ORLUND_PENDING_HANDLER(HandleReceiverRemove)
ORLUND_PENDING_HANDLER(HandleProfiles)
ORLUND_PENDING_HANDLER(HandleProfileUpdate)
ORLUND_PENDING_HANDLER(HandleProfileRemove)

#undef ORLUND_PENDING_HANDLER

}  // namespace orlund
