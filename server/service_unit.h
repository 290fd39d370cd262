#pragma once
// The server as a systemd service: the unit file written by /I, the readiness
// report, and entries in the system log (the journal keeps them).

#include <string>
#include <string_view>

namespace orlund {

// File name of the unit: "OrlundActiveXServer.service".
std::string ServiceUnitFileName();

// Text of the unit file that runs `executable_path` (absolute) as a
// Type=notify service, restarted on failure, started with the system.
std::string ServiceUnitText(std::string_view executable_path);

// Tells systemd that start-up is complete; does nothing without systemd.
void NotifyReady();

// Event log entry types of the service integration.
inline constexpr int kEventError = 1;
inline constexpr int kEventWarning = 2;
inline constexpr int kEventInformation = 4;

// Writes `text` to syslog with ident "OrlundActiveXServer": error for
// kEventError, warning for kEventWarning, information otherwise.
void SysLogEvent(int type, const std::string& text);

}  // namespace orlund
