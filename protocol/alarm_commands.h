#pragma once
// Hands a command to the alarm server's spool and reports a full spool in
// the server log: one line at the first refusal, then at most one a minute,
// each counting the commands refused since the line before.

#include <cstdint>
#include <string>

#include "protocol/server_state.h"

namespace orlund {

// True when the command was queued.
bool QueueAlarmCommand(ServerState& state, const std::string& command);

// The same report for a command another thread handed to the spool
// (SetCommandEntry's `result`); true when it was queued.
bool ReportAlarmCommand(ServerState& state, int32_t result);

}  // namespace orlund
