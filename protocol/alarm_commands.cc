#include "protocol/alarm_commands.h"

#include <chrono>

namespace orlund {

void QueueAlarmCommand(ServerState& state, std::string command, PendingAudit audit) {
  if (state.CommandsInFlight >= ServerState::kMaxCommandsInFlight) {
    ReportAlarmCommand(state, kCommandQueueFull);
    return;
  }
  ++state.CommandsInFlight;
  BackgroundJob job = [&state, command = std::move(command), audit = std::move(audit)] {
    // On the background thread: only the alarm link, which is made for it.
    const int32_t result = state.alarm.SetCommandEntry(command);
    return std::function<void()>([&state, result, audit] {
      --state.CommandsInFlight;
      if (ReportAlarmCommand(state, result)) RecordAudit(state, audit);
    });
  };
  RunInBackground(state, std::move(job));
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
