#include "server/startup.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string_view>

#include "alarmlink/alarm_library.h"
#include "base/file_utils.h"
#include "base/numeric.h"
#include "base/text_numbers.h"
#include "base/version.h"
#include "console/console.h"
#include "server/event_loop.h"
#include "server/instance_lock.h"
#include "server/server_log.h"
#include "server/service_install.h"
#include "server/service_unit.h"
#include "server/timer.h"
#include "store/directory_stamp.h"
#include "store/ini_file.h"
#include "store/language_texts.h"
#include "store/profiles.h"
#include "store/receiver_types.h"
#include "store/receivers.h"
#include "store/settings_store.h"
#include "store/users.h"

namespace orlund {

namespace {

constexpr char kServerIniFile[] = "Orlund_Server.ini";
constexpr char kActiveXSection[] = "ActiveX";

// A message box of the windowed program: stderr here, and the system log
// when running as a service, where nobody watches stderr.
void ShowMessage(const std::string& text, bool run_as_service, int event_type = kEventWarning) {
  std::cerr << text << std::endl;
  if (run_as_service) SysLogEvent(event_type, text);
}

std::string ExecutablePath() {
  std::error_code ec;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : path.string();
}

std::string ReadServerIni(const std::string& project_directory, std::string_view section,
                          std::string_view key, std::string_view default_value) {
  return ReadIniValue(project_directory, section, key, default_value, kServerIniFile);
}

// /U (checked first) removes the service unit, /I installs it; each reports
// on stdout and the process ends with its status.
int InstallOrUninstall(const CommandLine& command_line) {
  const std::string registry = RegistryRoot();
  const std::string product = kProductName;
  if (command_line.uninstall) {
    if (UninstallServiceUnit(SystemdUnitDirectory(), SystemdIsRunning())) {
      WriteSetting(registry, kServiceParametersKey, kRunAsServiceValue, "0");
      std::cout << product << " service uninstalled successfully" << std::endl;
      return 0;
    }
    std::cout << product << " failed to uninstall as service" << std::endl;
    return 1;
  }
  std::string executable = ExecutablePath();
  if (!executable.empty() &&
      InstallServiceUnit(executable, SystemdUnitDirectory(), SystemdIsRunning())) {
    WriteSetting(registry, kServiceParametersKey, kRunAsServiceValue, "1");
    std::cout << product << " service installation succeeded" << std::endl;
    return 0;
  }
  std::cout << product << " failed to install as service" << std::endl;
  return 1;
}

// Starts the operator console on the loop when its port is set; the server
// log hands it every entry. Nothing (and no message) when the port is 0; on
// failure, a message for the operator in `error`.
std::unique_ptr<Console> StartConsole(EventLoop& loop, ServerState& state, ServerLogWriter& log,
                                      std::string& error) {
  if (state.settings.ActiveXConsolePort == 0) return nullptr;
  ConsoleHooks hooks;
  hooks.toggle_traffic_file = [&state] { ToggleTrafficFile(state); };
  hooks.server_log_path = [&state](const std::tm& now) {
    return ServerLogPath(state.ProjectDirectory, now);
  };
  auto console = std::make_unique<Console>(loop.io(), state, std::move(hooks));
  std::string reason;
  if (!console->Listen(reason)) {
    error = std::string(kProductName) + " console port " +
            std::to_string(state.settings.ActiveXConsolePort) + " on " +
            state.settings.ActiveXConsoleAddress + " cannot be used: " + reason + "!";
    return nullptr;
  }
  log.SetListener(
      [console = console.get()](const std::string& entry) { console->OnServerLogEntry(entry); });
  return console;
}

// Logs the start, checks the settings, opens the listening port and the
// console, and runs the event loop until a stop signal.
int StartAndRun(ServerState& state, ServerLogWriter& log) {
  const bool service = state.settings.RunAsService;
  state.log.ServerLog("-");
  EventLoop loop(state);
  state.log.ServerLog(state.texts.GetText(service ? kTextStartedAsService : kTextStarted) +
                      " (version " + kProductVersion + ")");

  std::string error;
  if (!NormaliseSettings(ReadSettingTexts(state.ProjectDirectory), state.settings, error)) {
    ShowMessage(error, service, kEventError);
    return 1;
  }

  try {
    const StoreContext context = state.store_context();
    LoadUsers(state.ProjectDirectory, state.users, state.log, state.texts);
    if (state.settings.RequireActiveXLogin && state.users.UserCount == 0) {
      state.log.ServerLog("Login required but no users loaded: every client gets user level 32767");
    }
    LoadReceiverTypes(state.data.receiver_types, context);
    LoadAllReceivers(state.data.receivers, context);
    LoadAllProfiles(state.data.profiles, context);
  } catch (const std::exception& e) {
    ShowMessage(std::string(kProductName) + " could not load the data files: " + e.what(), service,
                kEventError);
    return 1;
  }
  GetNewestDataFileTime(state.ProjectDirectory + "Profiles", state.ProfilesDirectoryStamp);
  GetNewestDataFileTime(state.ProjectDirectory + "Receivers", state.ReceiversDirectoryStamp);

  const int port = state.settings.ActiveXServerPort;
  if (!loop.Listen(port, error)) {
    ShowMessage(std::string(kProductName) + " port " + std::to_string(port) + " is already in use!",
                service, kEventError);
    return 1;
  }
  error.clear();
  std::unique_ptr<Console> console = StartConsole(loop, state, log, error);
  if (console == nullptr && !error.empty()) {
    ShowMessage(error, service, kEventError);
    return 1;
  }
  state.metrics.started = state.metrics.last_tick = state.clock.steady_now();
  state.metrics.started_at = state.clock.local_now();
  if (service) {
    NotifyReady();
    SysLogEvent(kEventInformation, std::string(kProductName) + " started");
  } else {
    std::cout << kProductName << " - version " << kProductVersion << std::endl;
    if (console) std::cout << "Operator console: " << console->Url() << std::endl;
  }

  loop.Run();
  log.SetListener({});
  console.reset();
  if (state.ReceiversChanged || state.ProfilesChanged) {
    ShowMessage(std::string(kProductName) + " could not save the changed data files!", service,
                kEventError);
    return 1;
  }
  return 0;
}

}  // namespace

ServerDirectories ResolveDirectories(const CommandLine& command_line,
                                     const std::string& executable_directory,
                                     const std::string& registry_project_path) {
  ServerDirectories dirs;
  dirs.ApplicationDirectory = WithTrailingSlash(executable_directory);
  dirs.ProjectDirectory = dirs.ApplicationDirectory + "Project/";
  if (!registry_project_path.empty()) dirs.ProjectDirectory = registry_project_path;
  if (command_line.project_directory) dirs.ProjectDirectory = *command_line.project_directory;
  dirs.ProjectDirectory = WithTrailingSlash(dirs.ProjectDirectory);
  if (command_line.application_directory) {
    dirs.ApplicationDirectory = WithTrailingSlash(*command_line.application_directory);
  }
  return dirs;
}

SettingTexts ReadSettingTexts(const std::string& project_directory) {
  SettingTexts t;
  t.AllowedActiveXClientAddresses =
      ReadServerIni(project_directory, kActiveXSection, "AllowedActiveXClientAddresses", "*");
  t.ActiveXServerPort =
      ReadServerIni(project_directory, kActiveXSection, "ActiveXServerPort", "58658");
  t.ActiveXKeepAliveInterval =
      ReadServerIni(project_directory, kActiveXSection, "ActiveXKeepAliveInterval", "5000");
  t.ActiveXLanguage = ReadServerIni(project_directory, kActiveXSection, "ActiveXLanguage", "");
  if (t.ActiveXLanguage.empty()) {
    t.ActiveXLanguage = ReadServerIni(project_directory, "General", "Language", "");
    WriteIniValue(project_directory, kActiveXSection, "ActiveXLanguage", t.ActiveXLanguage,
                  kServerIniFile);
  }
  t.RequireActiveXLogin =
      ReadServerIni(project_directory, kActiveXSection, "RequireActiveXLogin", "0");
  t.StoreActiveXMessagesByServer =
      ReadServerIni(project_directory, kActiveXSection, "StoreActiveXMessagesByServer", "1");
  t.ActiveXConsolePort =
      ReadServerIni(project_directory, kActiveXSection, "ActiveXConsolePort", "0");
  t.ActiveXConsoleAddress =
      ReadServerIni(project_directory, kActiveXSection, "ActiveXConsoleAddress", "127.0.0.1");
  t.ActiveXConsoleMetricsOpen =
      ReadServerIni(project_directory, kActiveXSection, "ActiveXConsoleMetricsOpen", "0");
  return t;
}

bool NormaliseSettings(const SettingTexts& texts, ServerSettings& settings, std::string& error) {
  const std::string product = kProductName;
  double port = RoundHalfEven(TextToNumber(texts.ActiveXServerPort));
  if (!(port >= 1 && port <= 65535)) {
    error =
        product + " port " + texts.ActiveXServerPort + " is not a valid port number (1 to 65535)!";
    return false;
  }
  double interval = RoundHalfEven(TextToNumber(texts.ActiveXKeepAliveInterval));
  if (std::isnan(interval) || interval > kMaxKeepAliveIntervalMs) {
    error = product + " keep-alive interval " + texts.ActiveXKeepAliveInterval +
            " ms is too large (at most " + std::to_string(kMaxKeepAliveIntervalMs) + " ms)!";
    return false;
  }
  double console_port = RoundHalfEven(TextToNumber(texts.ActiveXConsolePort));
  if (!(console_port >= 0 && console_port <= 65535)) {
    error = product + " console port " + texts.ActiveXConsolePort +
            " is not a valid port number (1 to 65535, or 0 for no console)!";
    return false;
  }
  if (interval < 0) interval = 0;
  if (interval > 0 && interval < 1000) interval = 1000;

  settings.AllowedActiveXClientAddresses = texts.AllowedActiveXClientAddresses;
  settings.ActiveXServerPort = static_cast<int32_t>(port);
  settings.ActiveXKeepAliveInterval = static_cast<int32_t>(interval);
  settings.ActiveXLanguage = texts.ActiveXLanguage;
  settings.RequireActiveXLogin = texts.RequireActiveXLogin != "0";
  settings.StoreActiveXMessagesByServer = texts.StoreActiveXMessagesByServer == "1";
  settings.ActiveXConsolePort = static_cast<int32_t>(console_port);
  settings.ActiveXConsoleAddress = texts.ActiveXConsoleAddress;
  settings.ActiveXConsoleMetricsOpen = texts.ActiveXConsoleMetricsOpen == "1";
  return true;
}

int RunServer(const CommandLine& command_line) {
  const std::string registry = RegistryRoot();
  ServerDirectories dirs =
      ResolveDirectories(command_line, ExecutableDirectory(),
                         ReadRegistryValue(kProjectPathValue, "", kProjectPathKey, registry));
  // The alarm server's library queues commands here unless told otherwise.
  ::setenv("ORLUND_COMMAND_QUEUE", (dirs.ProjectDirectory + "CommandQueue").c_str(), 0);

  const bool service =
      ReadRegistryValue(kRunAsServiceValue, "0", kServiceParametersKey, registry) != "0";

  InstanceLock lock;
  if (lock.Acquire(dirs.ProjectDirectory) == InstanceLock::Result::kHeldElsewhere) {
    ShowMessage(std::string(kProductName) + " is already started!", service);
    return 1;
  }

  if (command_line.uninstall || command_line.install) return InstallOrUninstall(command_line);

  // The language is named in the INI file: an INI file that is there but
  // cannot be read is named itself, not taken for a missing language.
  const std::string ini_path = dirs.ProjectDirectory + kServerIniFile;
  struct stat ini_status;
  if (::stat(ini_path.c_str(), &ini_status) == 0 && !ReadFileBytes(ini_path)) {
    ShowMessage(std::string(kProductName) + " cannot read its settings file '" + ini_path + "'" +
                    (S_ISDIR(ini_status.st_mode) ? ": it is a directory" : ""),
                service);
    return 1;
  }

  LanguageTexts texts;
  if (!texts.LoadLanguageTexts(dirs.ProjectDirectory, dirs.ApplicationDirectory)) {
    ShowMessage("Language files not selected or not available!", service);
    return 1;
  }

  AlarmLibrary alarm;
  ServerLogWriter log(alarm, dirs.ProjectDirectory);
  // The tables are large: the state lives on the heap.
  auto state = std::make_unique<ServerState>(texts, log, alarm);
  state->ApplicationDirectory = dirs.ApplicationDirectory;
  state->ProjectDirectory = dirs.ProjectDirectory;
  state->settings.RunAsService = service;
  state->user_settings_root = UserSettingsRoot();
  // The terminal is the window: every packet-list line is shown there.
  state->List_Packets = PacketList(service ? nullptr : &std::cout);
  return StartAndRun(*state, log);
}

}  // namespace orlund
