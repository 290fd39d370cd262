#include "tools/stress_figures.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace orlund::stress {

std::optional<double> ResidentMiBFromStatus(std::string_view status) {
  const size_t at = status.find("\nVmRSS:");
  if (at == std::string_view::npos) return std::nullopt;
  // "VmRSS:	    6144 kB"
  const std::string rest(status.substr(at + 7, 40));
  char* end = nullptr;
  const double kib = std::strtod(rest.c_str(), &end);
  if (end == rest.c_str()) return std::nullopt;
  return kib / 1024.0;
}

std::optional<double> ResidentMiB(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  const std::string status = text.str();
  // A zombie has no memory left and is as good as gone.
  if (status.find("\nState:\tZ") != std::string::npos) return std::nullopt;
  return ResidentMiBFromStatus(status);
}

double Percentile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0;
  const size_t at = static_cast<size_t>(p * static_cast<double>(sorted.size()));
  return sorted[std::min(sorted.size() - 1, at)];
}

}  // namespace orlund::stress
