#include "server/service_unit.h"

#include <syslog.h>

#ifdef ORLUND_HAVE_SYSTEMD
#include <systemd/sd-daemon.h>
#endif

#include "base/version.h"

namespace orlund {

namespace {

// Quotes a path for an ExecStart= line: systemd expands "%" specifiers and
// "$" variables, splits at blanks, and reads C escapes inside quotes.
std::string QuoteExecPath(std::string_view path) {
  std::string quoted = "\"";
  for (char c : path) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '%' || c == '$') {
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

std::string ServiceUnitText(std::string_view executable_path) {
  std::string unit;
  unit += "[Unit]\n";
  unit += "Description=" + std::string(kProductName) + "\n";
  unit += "After=network.target\n";
  unit += "\n[Service]\n";
  unit += "Type=notify\n";
  unit += "ExecStart=" + QuoteExecPath(executable_path) + "\n";
  unit += "Restart=on-failure\n";
  unit += "RestartSec=5\n";
  unit += "\n[Install]\n";
  unit += "WantedBy=multi-user.target\n";
  return unit;
}

void NotifyReady() {
#ifdef ORLUND_HAVE_SYSTEMD
  ::sd_notify(0, "READY=1");
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
