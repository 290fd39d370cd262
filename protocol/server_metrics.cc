#include "protocol/server_metrics.h"

namespace orlund {

const char* DataTableName(DataTable table) {
  return table == DataTable::kReceivers ? "receivers" : "profiles";
}

void RecordSave(ServerMetrics& metrics, DataTable table, bool ok,
                std::chrono::duration<double> duration, const std::tm& when) {
  const auto t = static_cast<size_t>(table);
  ++metrics.saves[t][ok ? 1 : 0];
  const double seconds = duration.count();
  size_t bucket = 0;
  while (bucket < kSaveDurationBounds.size() && seconds > kSaveDurationBounds[bucket]) ++bucket;
  ++metrics.save_duration_buckets[bucket];
  metrics.save_duration_sum += seconds;
  metrics.last_save[t] = TableEvent{true, ok, when};
}

void RecordReload(ServerMetrics& metrics, DataTable table, const std::tm& when) {
  const auto t = static_cast<size_t>(table);
  ++metrics.reloads[t];
  metrics.last_reload[t] = TableEvent{true, true, when};
}

}  // namespace orlund
