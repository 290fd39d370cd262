#pragma once
// Hands a command to the alarm server's spool and reports a full spool in
// the server log: one line at the first refusal, then at most one a minute,
// each counting the commands refused since the line before.

#include <string>

#include "protocol/server_state.h"

namespace orlund {

// True when the command was queued.
bool QueueAlarmCommand(ServerState& state, const std::string& command);

}  // namespace orlund
