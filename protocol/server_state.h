#pragma once
// The one owner of the server's process-wide state: directories, settings,
// the data tables, the client connections, the deferred-save flags, the
// packet list, and the services (texts, server log, alarm link, clocks) the
// handlers use. The event loop, the timer and every request handler receive
// it by reference; tests build one in memory and drive it.

#include <array>
#include <chrono>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "alarmlink/alarm_link.h"
#include "base/log_sink.h"
#include "base/text_source.h"
#include "protocol/answer_cache.h"
#include "protocol/client_connection.h"
#include "protocol/login_throttle.h"
#include "protocol/server_metrics.h"
#include "protocol/traffic_log.h"
#include "schedule/calendar.h"
#include "store/data_store.h"
#include "store/directory_stamp.h"
#include "store/pending_changes.h"
#include "store/store_context.h"
#include "store/users.h"

namespace orlund {

// Settings of INI section ActiveX (and the service flag), read once at start.
struct ServerSettings {
  std::string AllowedActiveXClientAddresses = "*";
  int32_t ActiveXServerPort = 58658;
  int32_t ActiveXKeepAliveInterval = 5000;  // ms; 0 switches keep-alive off
  std::string ActiveXLanguage;
  bool RequireActiveXLogin = false;
  bool StoreActiveXMessagesByServer = true;
  bool RunAsService = false;
  // The operator console: off while the port is 0.
  int32_t ActiveXConsolePort = 0;
  std::string ActiveXConsoleAddress = "127.0.0.1";
  // /metrics without a console login.
  bool ActiveXConsoleMetricsOpen = false;
  // The address the protocol port listens on (numeric IPv4).
  std::string ActiveXServerAddress = "0.0.0.0";
  // Above 0: requests that change data or go to the alarm server need at
  // least this user level; 0 serves them whatever the level.
  int32_t ActiveXMinimumChangeLevel = 0;
};

// One audited event as the journal gets it: texts as the server log has them.
struct AuditEvent {
  const char* message_id;
  std::string line;
  std::string user;  // "-" when none
  std::string address;
  std::string object;
};

// The clocks the server reads: local wall-clock time for log lines and daily
// file names, the monotonic clock for silence. Tests replace both.
struct ServerClock {
  std::function<std::tm()> local_now;
  std::function<std::chrono::steady_clock::time_point()> steady_now;
  static ServerClock System();
};

// Commands the alarm server's full spool refused, for the rate-limited log
// line about them.
struct CommandSpoolRefusals {
  bool reported_once = false;
  std::chrono::steady_clock::time_point last_line;
  int32_t unreported = 0;  // refused since the last line
};

// Work for a thread beside the event thread: the job runs there, and what it
// returns runs on the event thread afterwards.
using BackgroundJob = std::function<std::function<void()>()>;

// A file the server rewrites from the background with the newest value it
// holds in memory, one write at a time (WriteNewest).
struct BackgroundWrite {
  bool writing = false;  // a write is with the background
  bool changed = false;  // the value changed since that write began
};

// The last text message remembered in this run, as the per-user settings
// store keeps it (receivers joined, text). Requests for it are answered from
// here while its write to the store may still be under way.
struct RememberedMessage {
  std::optional<std::pair<std::string, std::string>> value;
  BackgroundWrite write;
};

struct ServerState {
  ServerState(const TextSource& texts, LogSink& log, AlarmLink& alarm)
      : texts(texts), log(log), alarm(alarm), login_throttle(log) {}

  std::string ApplicationDirectory;  // ends with "/"
  std::string ProjectDirectory;      // ends with "/"
  ServerSettings settings;

  const TextSource& texts;
  LogSink& log;
  AlarmLink& alarm;
  ServerClock clock = ServerClock::System();
  // Root of the per-user application settings (the last text message).
  std::string user_settings_root;

  // Members join after their start packets and leave only in the timer's
  // sweep, so a broadcast may walk the collection safely.
  std::vector<std::shared_ptr<cClientConnection>> ClientConnections;
  static constexpr size_t kMaxClientConnections = 100;

  // List_Packets: the newest 200 lines, echoed to stdout when not a service.
  PacketList List_Packets;
  // Menu_File_Continous_Debug: while set, every logged packet is also
  // appended to the daily traffic file. Toggled by SIGUSR1.
  bool Menu_File_Continous_Debug = false;

  // Tables of the data store: receiver types, receivers, profiles with their
  // schedules, users. Several hundred kilobytes: keep a ServerState on the
  // heap outside tests.
  DataStore data;
  UserTable users;
  // GlobalCalendar: shared by all connections; its file is
  // ProjectDirectory + "Profiles/GlobalCalendar.dat".
  cCalendar GlobalCalendar;
  // Its file, while the background writes it, may hold older days than
  // memory.
  BackgroundWrite GlobalCalendarWrite;
  // Day type names 0..22 as renamed by clients (the answer to a name request
  // is built from the language texts and the INI file instead).
  std::array<std::string, 23> DayTypeNames;
  // Names of day types 7 to 22 (keyed by day type - 7) renamed by clients
  // and not yet in the INI file, which the background writes.
  std::map<int, std::string> RenamedDayTypesUnwritten;
  BackgroundWrite RenamedDayTypesWrite;

  // The answers to read requests, kept until their table changes.
  AnswerCache answers;
  // Bytes queued for all clients and not yet written, a shared packet once;
  // and the bytes of buffers released since memory was last handed back to
  // the system.
  size_t UnsentTotal = 0;
  size_t ReleasedBytes = 0;

  // Deferred saves: changes counted by receiver and profile requests, saved
  // from the timer's next tick on, which also records the directory's stamp
  // so that the server's own write is not taken for a foreign change.
  PendingChanges ReceiversChanged;
  PendingChanges ProfilesChanged;
  DirectoryStamp ReceiversDirectoryStamp;
  DirectoryStamp ProfilesDirectoryStamp;
  int32_t PollElapsed = 0;

  CommandSpoolRefusals spool_refusals;
  // Runs jobs that wait on the disk (the alarm server's spool syncs every
  // command) away from the event thread; empty: at once, on the caller's
  // thread, as tests want it.
  std::function<void(BackgroundJob)> run_in_background;
  RememberedMessage LastMessage;
  // Commands handed to the background and not yet in the spool.
  size_t CommandsInFlight = 0;
  static constexpr size_t kMaxCommandsInFlight = 100;
  // Receives every audited event besides the server log (the journal, as a
  // service); empty otherwise.
  std::function<void(const AuditEvent&)> audit_journal;

  // Counters for the console and /metrics.
  ServerMetrics metrics;
  // Failed logins by peer address; holds back the answers of guessers.
  LoginThrottle login_throttle;

  // The level a connection starts with, and the level of a login when no
  // login is needed: 0 when a login is required and users exist, else 32767.
  int32_t StartUserLevel() const {
    return settings.RequireActiveXLogin && users.UserCount > 0 ? 0 : 32767;
  }

  // What the data files are read and written through.
  FileSystem* file_system = &DefaultFileSystem();

  StoreContext store_context() const {
    return StoreContext{ProjectDirectory, log, texts, *file_system};
  }
};

// Hands `job` to state.run_in_background, or runs it and its completion at
// once when there is none.
void RunInBackground(ServerState& state, BackgroundJob job);

// Runs the job `make_job` builds (from the value in memory now) through
// RunInBackground, unless a write of `slot` is under way: then one more
// write, built when that one ends, writes the newest value. A flood of
// changes costs one write at a time.
void WriteNewest(ServerState& state, BackgroundWrite& slot,
                 std::function<BackgroundJob()> make_job);

// The completion of a background write that did not take: the packet list
// shows "<peer> <message name of type>: <what>". The client is told nothing.
std::function<void()> ShowNotWritten(ServerState& state, std::string_view peer, int type,
                                     std::string_view what);

}  // namespace orlund
