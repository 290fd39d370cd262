#include "protocol/alarm_commands.h"

#include <chrono>

namespace orlund {

bool QueueAlarmCommand(ServerState& state, const std::string& command) {
  return ReportAlarmCommand(state, state.alarm.SetCommandEntry(command));
}

bool ReportAlarmCommand(ServerState& state, int32_t result) {
  if (result != kCommandQueueFull) return result == kCommandQueued;
  CommandSpoolRefusals& refusals = state.spool_refusals;
  ++refusals.unreported;
  const auto now = state.clock.steady_now();
  if (refusals.reported_once && now - refusals.last_line < std::chrono::minutes(1)) return false;
  state.log.ServerLog("Command spool full: " + std::to_string(refusals.unreported) +
                      (refusals.unreported == 1 ? " command" : " commands") +
                      " for the alarm server refused");
  refusals.reported_once = true;
  refusals.last_line = now;
  refusals.unreported = 0;
  return false;
}

}  // namespace orlund
