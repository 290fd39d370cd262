#pragma once
// Start-up of the server: where the program and the project are, the
// service switches, the single instance, the language texts, the settings of
// INI section ActiveX, the data tables, and the listening socket; then the
// event loop until a stop. Any failure before the loop runs ends the process
// with a message and a non-zero exit status; there is no partial start.

#include <string>

#include "protocol/server_state.h"
#include "server/command_line.h"

namespace orlund {

struct ServerDirectories {
  std::string ApplicationDirectory;  // ends with "/"
  std::string ProjectDirectory;      // ends with "/"
};

// ApplicationDirectory: `executable_directory`, or /APPPATH:. ProjectDirectory:
// the executable's directory + "Project/", replaced by a non-empty
// `registry_project_path`, replaced by /PATH:. A "/" is appended to each when
// missing.
ServerDirectories ResolveDirectories(const CommandLine& command_line,
                                     const std::string& executable_directory,
                                     const std::string& registry_project_path);

// The texts of the settings as the INI file holds them (defaults filled in).
struct SettingTexts {
  std::string AllowedActiveXClientAddresses = "*";
  std::string ActiveXServerPort = "58658";
  std::string ActiveXKeepAliveInterval = "5000";
  std::string ActiveXLanguage;
  std::string RequireActiveXLogin = "0";
  std::string StoreActiveXMessagesByServer = "1";
  std::string ActiveXConsolePort = "0";
  std::string ActiveXConsoleAddress = "127.0.0.1";
  std::string ActiveXConsoleMetricsOpen = "0";
  std::string ActiveXServerAddress = "0.0.0.0";
  std::string ActiveXMinimumChangeLevel = "0";
};

// Reads the settings of section ActiveX from ProjectDirectory
// "Orlund_Server.ini" in their fixed order. An empty ActiveXLanguage is
// taken from General/Language and written back to ActiveX/ActiveXLanguage,
// the only write of start-up.
SettingTexts ReadSettingTexts(const std::string& project_directory);

// Turns the texts into settings: numbers are read as typed numbers and
// rounded; a keep-alive interval below 0 becomes 0 and one of 1 to 999
// becomes 1000; RequireActiveXLogin is true unless exactly "0",
// StoreActiveXMessagesByServer and ActiveXConsoleMetricsOpen only when
// exactly "1". False, with a message for the operator in `error`, for a port
// outside 1 to 65535, a console port outside 0 to 65535 (0: no console) or a
// keep-alive interval above 16,383,749 ms, an ActiveXServerAddress that is
// not a numeric IPv4 address, or an ActiveXMinimumChangeLevel outside 0 to
// 32767. RunAsService is left as it is.
bool NormaliseSettings(const SettingTexts& texts, ServerSettings& settings, std::string& error);

// True when systemd started this process (INVOCATION_ID or NOTIFY_SOCKET in
// the environment): only then does the stored RunAsService flag make this
// run a service, without the packet list on stdout.
bool StartedBySystemd();

// The whole program: start-up, the event loop, and the saves of a stop.
// Returns the process exit status.
int RunServer(const CommandLine& command_line);

}  // namespace orlund
