#pragma once
// Hands a command to the alarm server's spool and reports a full spool in
// the server log: one line at the first refusal, then at most one a minute,
// each counting the commands refused since the line before.

#include <cstdint>
#include <string>

#include "protocol/audit.h"
#include "protocol/server_state.h"

namespace orlund {

// Hands `command` to the spool through state.run_in_background, so that the
// spool's write and sync of each command never hold up the clients; once it
// is queued, `audit` is recorded (the audit trail names only commands the
// alarm server got). Commands keep their order. While
// ServerState::kMaxCommandsInFlight commands wait for the spool, a new one is
// refused as by a full spool: a flood of commands cannot fill the memory.
void QueueAlarmCommand(ServerState& state, std::string command, PendingAudit audit);

// The same report for a command another thread handed to the spool
// (SetCommandEntry's `result`); true when it was queued.
bool ReportAlarmCommand(ServerState& state, int32_t result);

}  // namespace orlund
