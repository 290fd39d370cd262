#pragma once
// The server as a systemd service: the unit file written by /I, the readiness
// report, and entries in the system log (the journal keeps them).

#include <string>
#include <string_view>

#include "protocol/server_state.h"

namespace orlund {

// File name of the unit: "OrlundActiveXServer.service".
std::string ServiceUnitFileName();

// What the unit runs and where it may write.
struct ServiceUnitSettings {
  std::string executable;         // absolute path
  std::string project_directory;  // given as /PATH:, writable
  std::string command_spool;      // writable; need not exist yet
  std::string settings_root;      // XDG_CONFIG_HOME of the service (last message)
  std::string user;
  std::string group;
};

// Text of the unit file: a Type=notify service that runs the executable on
// the project as `user`:`group`, restarted on failure, started with the
// system, and sandboxed: the file system read-only apart from the project,
// the command spool and its state directory, no home directories, private
// /tmp and devices, no privileges, IPv4/IPv6 and local sockets only.
std::string ServiceUnitText(const ServiceUnitSettings& settings);

// Tells systemd that start-up is complete; does nothing without systemd.
void NotifyReady();

// Hands an audited event to the journal with its MESSAGE_ID and the fields
// ORLUND_USER, ORLUND_ADDRESS and ORLUND_OBJECT (texts as UTF-8); does
// nothing without systemd.
void JournalAudit(const AuditEvent& event);

// Event log entry types of the service integration.
inline constexpr int kEventError = 1;
inline constexpr int kEventWarning = 2;
inline constexpr int kEventInformation = 4;

// Writes `text` to syslog with ident "OrlundActiveXServer": error for
// kEventError, warning for kEventWarning, information otherwise.
void SysLogEvent(int type, const std::string& text);

}  // namespace orlund
