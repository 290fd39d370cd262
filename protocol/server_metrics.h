#pragma once
// Counters of what the server does, for the operator console and its
// /metrics page. Plain numbers in one struct owned by the server state,
// incremented on the event thread where things happen; the console only
// reads them.

#include <array>
#include <chrono>
#include <cstdint>
#include <ctime>

namespace orlund {

// The tables written by the deferred saves and reloaded when another program
// changed their files.
enum class DataTable { kReceivers = 0, kProfiles = 1 };
inline constexpr size_t kDataTableCount = 2;
// "receivers", "profiles".
const char* DataTableName(DataTable table);

// Upper bounds in seconds of the save-duration histogram's buckets, below
// the last bucket (+Inf).
inline constexpr std::array<double, 8> kSaveDurationBounds = {0.001, 0.005, 0.01, 0.05,
                                                              0.1,   0.5,   1,    5};

// The outcome of the latest save or reload of one table.
struct TableEvent {
  bool happened = false;
  bool ok = false;
  std::tm when{};  // local time
};

struct ServerMetrics {
  using TimePoint = std::chrono::steady_clock::time_point;

  // Handled requests by message type.
  std::array<uint64_t, 256> requests{};
  uint64_t bytes_received = 0;
  uint64_t bytes_sent = 0;
  // Saves by table, [0] failed and [1] succeeded.
  std::array<std::array<uint64_t, 2>, kDataTableCount> saves{};
  // Save durations: counts per bucket (not cumulative; the last is +Inf).
  std::array<uint64_t, kSaveDurationBounds.size() + 1> save_duration_buckets{};
  double save_duration_sum = 0;
  std::array<uint64_t, kDataTableCount> reloads{};
  std::array<TableEvent, kDataTableCount> last_save;
  std::array<TableEvent, kDataTableCount> last_reload;
  uint64_t refused_not_allowed = 0;
  uint64_t refused_too_many = 0;
  uint64_t logins_failed_protocol = 0;
  uint64_t logins_failed_console = 0;

  // Start of the event loop (monotonic and local time) and the latest tick
  // of the one-second timer.
  TimePoint started{};
  std::tm started_at{};
  TimePoint last_tick{};
};

// Records one save of `table`: its counter, its duration and the table's
// latest outcome. Called on the event thread once the outcome is known.
void RecordSave(ServerMetrics& metrics, DataTable table, bool ok,
                std::chrono::duration<double> duration, const std::tm& when);

// Records a reload of `table` from files another program changed.
void RecordReload(ServerMetrics& metrics, DataTable table, const std::tm& when);

}  // namespace orlund
