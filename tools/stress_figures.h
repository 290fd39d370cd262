#pragma once
// What orlund-stress measures of the server process itself: its resident
// memory from /proc/PID/status, and whether it is still there.

#include <sys/types.h>

#include <optional>
#include <string_view>
#include <vector>

namespace orlund::stress {

// VmRSS of `pid` in MiB; nothing when the process is gone.
std::optional<double> ResidentMiB(pid_t pid);

// The VmRSS line's value in MiB from the text of a /proc/PID/status file.
std::optional<double> ResidentMiBFromStatus(std::string_view status);

// The value below which a share `p` (0 to 1) of the sorted `values` lie.
double Percentile(const std::vector<double>& sorted, double p);

}  // namespace orlund::stress
