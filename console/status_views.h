#pragma once
// The console's status pages: the overview and the connected clients (as
// HTML and as JSON), the Prometheus metrics and the health check.

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "console/sessions.h"
#include "protocol/server_state.h"

namespace orlund {

// The moment a page is drawn, on both clocks.
struct ConsoleNow {
  std::chrono::steady_clock::time_point steady;
  std::tm local{};
};

struct OverviewFacts {
  std::string version;
  std::tm started_at{};
  int64_t uptime_seconds = 0;
  std::string project_directory;
  std::string listen_address;
  int32_t port = 0;
  size_t clients = 0;
  size_t client_limit = 0;
  std::array<bool, kDataTableCount> pending_saves{};
  std::array<TableEvent, kDataTableCount> last_save;
  std::array<TableEvent, kDataTableCount> last_reload;
  std::string spool_directory;
  int64_t spool_waiting = -1;  // commands not yet taken; -1 when unreadable
  bool traffic_file_on = false;
  std::string traffic_file;    // today's
  int64_t traffic_bytes = -1;  // -1 when it does not exist
};

OverviewFacts CollectOverview(const ServerState& state, const ConsoleNow& now);
// The overview; the traffic-file switch is a button for the full level only.
std::string OverviewHtml(const OverviewFacts& facts, const ConsoleSession& viewer);
// With who is looking: name, level, and the form token a script repeats in
// its changes (X-Form-Token).
std::string OverviewJson(const OverviewFacts& facts, const ConsoleSession& viewer);

struct ClientFacts {
  std::string address;
  int32_t port = 0;
  bool connected = false;
  std::string user_name;
  int32_t level = 0;
  std::string area;
  std::tm connected_at{};
  int64_t connected_seconds = 0;
  int64_t silent_seconds = 0;  // since the client's last data
  size_t unsent_bytes = 0;
};

std::vector<ClientFacts> CollectClients(const ServerState& state, const ConsoleNow& now);
std::string ClientsHtml(const std::vector<ClientFacts>& clients);
std::string ClientsJson(const std::vector<ClientFacts>& clients);

// /metrics in the Prometheus text format (version 0.0.4).
std::string MetricsText(const ServerState& state, const ConsoleNow& now);

// Empty while the timer ticks and no table's last save failed; otherwise
// the reason, for /healthz.
std::string HealthProblem(const ServerState& state, const ConsoleNow& now);

// "2026-12-24T14:07:09", the local time as the JSON pages give it.
std::string IsoLocalTime(const std::tm& when);

}  // namespace orlund
