#include "server/service_unit.h"

#include <syslog.h>

#ifdef ORLUND_HAVE_SYSTEMD
#include <systemd/sd-daemon.h>
#include <systemd/sd-journal.h>
#endif

#include "base/cp1252.h"
#include "base/version.h"

namespace orlund {

namespace {

// Quotes a path for a unit line: systemd expands "%" specifiers (and, in
// ExecStart=, "$" variables), splits at blanks, and reads C escapes inside
// quotes.
std::string QuotePath(std::string_view path, bool exec = true) {
  std::string quoted = "\"";
  for (char c : path) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '%' || (exec && c == '$')) {
      quoted.push_back(c);
      quoted.push_back(c);
    } else if (byte < 0x20 || byte == 0x7F) {
      static constexpr char kHex[] = "0123456789abcdef";
      quoted += "\\x";
      quoted.push_back(kHex[byte >> 4]);
      quoted.push_back(kHex[byte & 15]);
    } else if (c == '\\' || c == '"') {
      quoted.push_back('\\');
      quoted.push_back(c);
    } else {
      quoted.push_back(c);
    }
  }
  quoted.push_back('"');
  return quoted;
}

}  // namespace

std::string ServiceUnitFileName() { return std::string(kServiceName) + ".service"; }

std::string ServiceUnitText(const ServiceUnitSettings& s) {
  std::string unit;
  unit += "[Unit]\n";
  unit += "Description=" + std::string(kProductName) + "\n";
  unit += "After=network.target\n";
  unit += "\n[Service]\n";
  unit += "Type=notify\n";
  unit += "ExecStart=" + QuotePath(s.executable) + " " + QuotePath("/PATH:" + s.project_directory) +
          "\n";
  unit += "User=" + s.user + "\n";
  unit += "Group=" + s.group + "\n";
  unit += "Environment=" + QuotePath("ORLUND_COMMAND_QUEUE=" + s.command_spool, false) + " " +
          QuotePath("XDG_CONFIG_HOME=" + s.settings_root, false) + "\n";
  unit += "Restart=on-failure\n";
  unit += "RestartSec=5\n";
  // The sandbox: writes only to the project, the spool (created later, so
  // "-": a missing one is no error) and the state directory.
  unit += "ReadWritePaths=" + QuotePath(s.project_directory, false) + " " +
          QuotePath("-" + s.command_spool, false) + "\n";
  unit += "StateDirectory=orlund\n";
  unit += "UMask=0027\n";
  static constexpr const char* kHardening[] = {
      "NoNewPrivileges=yes",
      "ProtectSystem=strict",
      "ProtectHome=yes",
      "PrivateTmp=yes",
      "PrivateDevices=yes",
      "DevicePolicy=closed",
      "ProtectKernelTunables=yes",
      "ProtectKernelModules=yes",
      "ProtectKernelLogs=yes",
      "ProtectControlGroups=yes",
      "ProtectClock=yes",
      "ProtectHostname=yes",
      "ProtectProc=invisible",
      "ProcSubset=pid",
      "RestrictAddressFamilies=AF_INET AF_INET6 AF_UNIX",
      "RestrictNamespaces=yes",
      "RestrictRealtime=yes",
      "RestrictSUIDSGID=yes",
      "LockPersonality=yes",
      "MemoryDenyWriteExecute=yes",
      "RemoveIPC=yes",
      "KeyringMode=private",
      "CapabilityBoundingSet=",
      "AmbientCapabilities=",
      "SystemCallArchitectures=native",
      "SystemCallFilter=@system-service",
      "SystemCallFilter=~@privileged @resources",
  };
  for (const char* line : kHardening) unit += std::string(line) + "\n";
  unit += "\n[Install]\n";
  unit += "WantedBy=multi-user.target\n";
  return unit;
}

void NotifyReady() {
#ifdef ORLUND_HAVE_SYSTEMD
  ::sd_notify(0, "READY=1");
#endif
}

void JournalAudit([[maybe_unused]] const AuditEvent& event) {
#ifdef ORLUND_HAVE_SYSTEMD
  const std::string message = Cp1252ToUtf8(event.line);
  const std::string user = Cp1252ToUtf8(event.user);
  const std::string object = Cp1252ToUtf8(event.object);
  ::sd_journal_send("MESSAGE=%s", message.c_str(), "MESSAGE_ID=%s", event.message_id, "PRIORITY=%d",
                    LOG_NOTICE, "SYSLOG_IDENTIFIER=%s", kServiceName, "ORLUND_USER=%s",
                    user.c_str(), "ORLUND_ADDRESS=%s", event.address.c_str(), "ORLUND_OBJECT=%s",
                    object.c_str(), nullptr);
#endif
}

void SysLogEvent(int type, const std::string& text) {
  int priority = LOG_INFO;
  if (type == kEventError) {
    priority = LOG_ERR;
  } else if (type == kEventWarning) {
    priority = LOG_WARNING;
  }
  ::openlog(kServiceName, LOG_PID, LOG_DAEMON);
  ::syslog(priority, "%s", text.c_str());
}

}  // namespace orlund
