#include "server/startup.h"

#include <arpa/inet.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
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
#include "store/table_files.h"
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

// The name of user `uid` or group `gid`, or the number when it has none.
std::string UserName(uid_t uid) {
  const passwd* account = ::getpwuid(uid);
  return account ? account->pw_name : std::to_string(uid);
}
std::string GroupName(gid_t gid) {
  const group* entry = ::getgrgid(gid);
  return entry ? entry->gr_name : std::to_string(gid);
}

// /U (checked first) removes the service unit, /I installs it; each reports
// on stdout and the process ends with its status. systemctl is run only when
// systemd runs this machine and the unit is in the system's own unit folder
// (not one named by ORLUND_SYSTEMD_DIR).
int InstallOrUninstall(const CommandLine& command_line, const std::string& project_directory) {
  const std::string registry = RegistryRoot();
  const std::string product = kProductName;
  const std::string unit_directory = SystemdUnitDirectory();
  const bool use_systemctl = SystemdIsRunning() && unit_directory == kSystemUnitDirectory;
  if (command_line.uninstall) {
    if (UninstallServiceUnit(unit_directory, use_systemctl)) {
      WriteSetting(registry, kServiceParametersKey, kRunAsServiceValue, "0");
      std::cout << product << " service uninstalled successfully" << std::endl;
      return 0;
    }
    std::cout << product << " failed to uninstall as service" << std::endl;
    return 1;
  }
  ServiceUnitSettings unit;
  unit.executable = ExecutablePath();
  std::error_code ec;
  unit.project_directory =
      WithTrailingSlash(std::filesystem::absolute(project_directory, ec).lexically_normal());
  const char* spool = std::getenv("ORLUND_COMMAND_QUEUE");
  unit.command_spool = std::filesystem::absolute(spool ? spool : "", ec).lexically_normal();
  unit.settings_root = "/var/lib/orlund";
  struct stat project_status;
  if (::stat(unit.project_directory.c_str(), &project_status) != 0) {
    std::cout << product << " failed to install as service: project directory '"
              << unit.project_directory << "': " << std::strerror(errno) << std::endl;
    return 1;
  }
  unit.user = command_line.user.value_or(UserName(project_status.st_uid));
  unit.group = command_line.group.value_or(GroupName(project_status.st_gid));
  if (!unit.executable.empty() && InstallServiceUnit(unit, unit_directory, use_systemctl)) {
    WriteSetting(registry, kServiceParametersKey, kRunAsServiceValue, "1");
    std::cout << product << " service installation succeeded" << std::endl;
    std::cout << "Unit: " << UnitPath(unit_directory) << " (runs as " << unit.user << ":"
              << unit.group << ")" << std::endl;
    if (use_systemctl) {
      std::cout << "Next: systemctl start " << ServiceUnitFileName() << std::endl;
    } else {
      std::cout << "Next: copy it to " << kSystemUnitDirectory
                << "/, then systemctl daemon-reload && systemctl enable --now "
                << ServiceUnitFileName() << std::endl;
    }
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

std::string SignalName(int signal_number) {
  const char* name = signal_number > 0 ? ::sigabbrev_np(signal_number) : nullptr;
  return name ? std::string("SIG") + name : "signal " + std::to_string(signal_number);
}

std::string Counted(int count, const std::string& one, const std::string& many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Checks the settings, loads the tables, opens the listening port and the
// console, logs the start and runs the event loop until a stop signal. The
// started line is written only once the server listens, so a refused start
// never logs it; the refusal's reason goes to the server log too.
int StartAndRun(ServerState& state, ServerLogWriter& log) {
  const bool service = state.settings.RunAsService;
  const auto refuse = [&](const std::string& text) {
    state.log.ServerLog("Start refused: " + text);
    ShowMessage(text, service, kEventError);
    return 1;
  };
  state.log.ServerLog("-");
  EventLoop loop(state);

  std::string error;
  if (!NormaliseSettings(ReadSettingTexts(state.ProjectDirectory), state.settings, error))
    return refuse(error);

  try {
    const StoreContext context = state.store_context();
    LoadUsers(state.ProjectDirectory, state.users, state.log, state.texts);
    if (state.settings.RequireActiveXLogin && state.users.UserCount == 0) {
      state.log.ServerLog("Login required but no users loaded: every client gets user level 32767");
    }
    LoadReceiverTypes(state.data.receiver_types, context);
    // A save that a crash cut short is completed or dropped first, so that
    // the tables load a whole set of files.
    RecoverTableDirectory(state.ProjectDirectory + "Receivers/", context);
    RecoverTableDirectory(state.ProjectDirectory + "Profiles/", context);
    LoadAllReceivers(state.data.receivers, context);
    LoadAllProfiles(state.data.profiles, context);
  } catch (const std::exception& e) {
    return refuse(std::string(kProductName) + " could not load the data files: " + e.what());
  }
  GetNewestDataFileTime(state.ProjectDirectory + "Profiles", state.ProfilesDirectoryStamp);
  GetNewestDataFileTime(state.ProjectDirectory + "Receivers", state.ReceiversDirectoryStamp);

  const int port = state.settings.ActiveXServerPort;
  const std::string& address = state.settings.ActiveXServerAddress;
  if (!loop.Listen(address, port, error)) {
    if (address == "0.0.0.0")
      return refuse(std::string(kProductName) + " port " + std::to_string(port) +
                    " is already in use!");
    return refuse(std::string(kProductName) + " cannot listen on " + address + ":" +
                  std::to_string(port) + ": " + error + "!");
  }
  error.clear();
  std::unique_ptr<Console> console = StartConsole(loop, state, log, error);
  if (console == nullptr && !error.empty()) return refuse(error);
  state.metrics.started = state.metrics.last_tick = state.clock.steady_now();
  state.metrics.started_at = state.clock.local_now();
  state.log.ServerLog(state.texts.GetText(service ? kTextStartedAsService : kTextStarted) +
                      " (version " + kProductVersion + ")");
  const std::string listening =
      "Listening on " + address + ":" + std::to_string(port) + ", project " +
      state.ProjectDirectory + ", loaded " +
      Counted(state.data.receiver_types.ReceiverTypeCount, "receiver type", "receiver types") +
      ", " + Counted(state.data.receivers.ReceiverCount, "receiver", "receivers") + ", " +
      Counted(state.data.profiles.ProfileCount, "profile", "profiles") + ", " +
      Counted(state.users.UserCount, "user", "users");
  state.log.ServerLog(listening);
  if (service) {
    state.audit_journal = JournalAudit;
    NotifyReady();
    SysLogEvent(kEventInformation, std::string(kProductName) + " started; " + listening);
  } else {
    std::cout << kProductName << " - version " << kProductVersion << std::endl;
    if (console) std::cout << "Operator console: " << console->Url() << std::endl;
    std::cout << listening << std::endl;
  }

  loop.Run();
  log.SetListener({});
  console.reset();
  const bool saves_failed = state.ReceiversChanged || state.ProfilesChanged;
  const std::string stopped =
      std::string(kProductName) + " stopped by " + SignalName(loop.stop_signal()) +
      (saves_failed ? ", saving failed"
                    : ", " + Counted(loop.saves_at_stop(), "save", "saves") + " written");
  state.log.ServerLog(stopped);
  if (saves_failed) {
    ShowMessage(std::string(kProductName) + " could not save the changed data files!", service,
                kEventError);
    return 1;
  }
  if (service) {
    SysLogEvent(kEventInformation, stopped);
  } else {
    std::cout << stopped << std::endl;
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
  const auto activex = [&](std::string_view key, std::string_view fallback) {
    return ReadServerIni(project_directory, kActiveXSection, key, fallback);
  };
  t.AllowedActiveXClientAddresses = activex("AllowedActiveXClientAddresses", "*");
  t.ActiveXServerPort = activex("ActiveXServerPort", "58658");
  t.ActiveXKeepAliveInterval = activex("ActiveXKeepAliveInterval", "5000");
  t.ActiveXLanguage = activex("ActiveXLanguage", "");
  if (t.ActiveXLanguage.empty()) {
    t.ActiveXLanguage = ReadServerIni(project_directory, "General", "Language", "");
    WriteIniValue(project_directory, kActiveXSection, "ActiveXLanguage", t.ActiveXLanguage,
                  kServerIniFile);
  }
  t.RequireActiveXLogin = activex("RequireActiveXLogin", "0");
  t.StoreActiveXMessagesByServer = activex("StoreActiveXMessagesByServer", "1");
  t.ActiveXConsolePort = activex("ActiveXConsolePort", "0");
  t.ActiveXConsoleAddress = activex("ActiveXConsoleAddress", "127.0.0.1");
  t.ActiveXConsoleMetricsOpen = activex("ActiveXConsoleMetricsOpen", "0");
  t.ActiveXServerAddress = activex("ActiveXServerAddress", "0.0.0.0");
  t.ActiveXMinimumChangeLevel = activex("ActiveXMinimumChangeLevel", "0");
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
  in_addr address{};
  if (::inet_pton(AF_INET, texts.ActiveXServerAddress.c_str(), &address) != 1) {
    error = product + " address '" + texts.ActiveXServerAddress +
            "' (ActiveXServerAddress) is not a numeric IPv4 address such as 0.0.0.0 or "
            "127.0.0.1!";
    return false;
  }
  double minimum_level = RoundHalfEven(TextToNumber(texts.ActiveXMinimumChangeLevel));
  if (!(minimum_level >= 0 && minimum_level <= 32767)) {
    error = product + " ActiveXMinimumChangeLevel " + texts.ActiveXMinimumChangeLevel +
            " is not a user level (0 to 32767, 0 to serve changes whatever the level)!";
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
  settings.ActiveXServerAddress = texts.ActiveXServerAddress;
  settings.ActiveXMinimumChangeLevel = static_cast<int32_t>(minimum_level);
  return true;
}

bool StartedBySystemd() {
  for (const char* name : {"INVOCATION_ID", "NOTIFY_SOCKET"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

int RunServer(const CommandLine& command_line) {
  const std::string registry = RegistryRoot();
  ServerDirectories dirs =
      ResolveDirectories(command_line, ExecutableDirectory(),
                         ReadRegistryValue(kProjectPathValue, "", kProjectPathKey, registry));
  // The alarm server's library queues commands here unless told otherwise.
  ::setenv("ORLUND_COMMAND_QUEUE", (dirs.ProjectDirectory + "CommandQueue").c_str(), 0);

  const bool service =
      ReadRegistryValue(kRunAsServiceValue, "0", kServiceParametersKey, registry) != "0" &&
      StartedBySystemd();

  InstanceLock lock;
  if (lock.Acquire(dirs.ProjectDirectory) == InstanceLock::Result::kHeldElsewhere) {
    ShowMessage(std::string(kProductName) + " is already started!", service);
    return 1;
  }

  if (command_line.uninstall || command_line.install)
    return InstallOrUninstall(command_line, dirs.ProjectDirectory);

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
