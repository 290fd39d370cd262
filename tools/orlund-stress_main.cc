// orlund-stress --port N --scenario NAME --seconds S [--pid SERVER_PID]
//               [--clients N] [--max-rss-mib M]
// Runs hostile clients of one kind (or a mix) against a running server on
// 127.0.0.1 for S seconds, while a few innocent clients keep connecting and
// asking for the receiver types and receivers and check every answer; they
// go on for 10 s after the hostile clients have stopped. Prints what it did
// and the figures: innocent connections admitted of attempted, requests lost,
// the 99th percentile answer time, and with --pid the server's resident
// memory when idle, at its peak and after the hostile clients left, and
// whether the server is still there. Fails (exit 1) on a crash, a lost or
// wrong innocent answer, or a peak above --max-rss-mib.
//
// The huge-table scenario adds the largest receivers the protocol carries
// until the table is full, and removes them again at the end.

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tools/stress_clients.h"
#include "tools/stress_figures.h"

namespace {

using orlund::stress::Clock;
using orlund::stress::Hostility;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr int kInnocentClients = 4;
// The innocent clients go on this long after the hostile ones stop; the
// server's memory should be back near its idle size by then.
constexpr seconds kAfterwards(10);
constexpr double kRecoveryMargin = 16;  // MiB above idle

struct Share {
  Hostility hostility;
  int clients;
};

struct Scenario {
  const char* name;
  const char* what;
  // The hostile clients for a total of `clients`.
  std::function<std::vector<Share>(int clients)> shares;
  size_t receiver_text = 32767;
  int max_receivers = 0;
};

const std::vector<Scenario>& Scenarios() {
  static const std::vector<Scenario> scenarios = {
      {"churn", "connections opened and dropped at once, by close, reset, mid-header",
       [](int) {
         return std::vector<Share>{{Hostility::kChurn, 8}};
       }},
      {"stalled-readers", "clients that ask for the largest answers and never read",
       [](int n) {
         return std::vector<Share>{{Hostility::kStalledReader, n}};
       }},
      {"partial-packets", "packets cut short: 1 MiB less a byte, a byte every 2 s, split requests",
       [](int n) {
         return std::vector<Share>{{Hostility::kPartialPackets, n}};
       }},
      {"huge-table", "the receiver table filled with the largest receivers, read slowly",
       [](int n) {
         return std::vector<Share>{{Hostility::kTableFiller, 1},
                                   {Hostility::kSlowReader, std::max(1, n - 1)}};
       }},
      {"password-guessing", "wrong passwords, pipelined and one per connection",
       [](int n) {
         return std::vector<Share>{{Hostility::kPasswordGuesser, n}};
       }},
      {"command-flood", "commands and text messages for the alarm server, nonstop",
       [](int) {
         return std::vector<Share>{{Hostility::kCommandFlood, 8}};
       }},
      {"malformed", "unknown types, fields cut short, lengths past the limit",
       [](int) {
         return std::vector<Share>{{Hostility::kMalformed, 16}};
       }},
      {"mixed", "all of them at once, with 40 large (not the largest) receivers added",
       [](int n) {
         const int part = std::max(1, n / 6);
         return std::vector<Share>{{Hostility::kChurn, 2},
                                   {Hostility::kStalledReader, part},
                                   {Hostility::kPartialPackets, part},
                                   {Hostility::kTableFiller, 1},
                                   {Hostility::kSlowReader, part / 2},
                                   {Hostility::kPasswordGuesser, part},
                                   {Hostility::kCommandFlood, 2},
                                   {Hostility::kMalformed, part}};
       },
       2000, 40},
  };
  return scenarios;
}

int Usage() {
  std::fprintf(stderr,
               "usage: orlund-stress --port N --scenario NAME --seconds S [--pid SERVER_PID]\n"
               "                     [--clients N] [--max-rss-mib M]\n"
               "scenarios:");
  for (const Scenario& s : Scenarios()) std::fprintf(stderr, " %s", s.name);
  std::fprintf(stderr, "\n");
  return 2;
}

std::string Thousands(uint64_t n) {
  std::string digits = std::to_string(n);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
    digits.insert(static_cast<size_t>(at), ",");
  }
  return digits;
}

// Samples the server's resident memory every 100 ms while it runs.
struct MemoryWatch {
  pid_t pid = 0;
  std::atomic<bool> stop{false};
  std::atomic<bool> gone{false};
  double idle = 0;
  double peak = 0;
  double last = 0;
  // When the memory was first back below idle + kRecoveryMargin after
  // `recovery_from`; the time point's default when it was not.
  Clock::time_point recovery_from;
  Clock::time_point recovered{};

  void Sample() {
    const auto rss = orlund::stress::ResidentMiB(pid);
    if (!rss) {
      gone = true;
      return;
    }
    last = *rss;
    peak = std::max(peak, *rss);
    const auto now = Clock::now();
    if (now >= recovery_from && recovered == Clock::time_point{} &&
        *rss <= idle + kRecoveryMargin) {
      recovered = now;
    }
  }
  void Run() {
    while (!stop && !gone) {
      Sample();
      std::this_thread::sleep_for(milliseconds(100));
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  int port = 0;
  int run_seconds = 0;
  int clients = 90;
  pid_t pid = 0;
  double max_rss = 0;
  std::string scenario_name;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    const std::string value = argv[i + 1];
    if (option == "--port") {
      port = std::atoi(value.c_str());
    } else if (option == "--scenario") {
      scenario_name = value;
    } else if (option == "--seconds") {
      run_seconds = std::clamp(std::atoi(value.c_str()), 1, 3600);
    } else if (option == "--pid") {
      pid = static_cast<pid_t>(std::atoi(value.c_str()));
    } else if (option == "--clients") {
      clients = std::clamp(std::atoi(value.c_str()), 1, 400);
    } else if (option == "--max-rss-mib") {
      max_rss = std::atof(value.c_str());
    } else {
      return Usage();
    }
  }
  if (argc % 2 == 0 || port <= 0 || port > 65535 || run_seconds <= 0) return Usage();
  const auto found = std::find_if(Scenarios().begin(), Scenarios().end(),
                                  [&](const Scenario& s) { return s.name == scenario_name; });
  if (found == Scenarios().end()) return Usage();
  const Scenario& scenario = *found;
  ::signal(SIGPIPE, SIG_IGN);

  orlund::stress::StressRun run;
  run.port = port;
  run.receiver_text = scenario.receiver_text;
  run.max_receivers = scenario.max_receivers;
  const std::vector<Share> shares = scenario.shares(clients);

  std::printf("orlund-stress: scenario %s for %d s against 127.0.0.1:%d", scenario.name,
              run_seconds, port);
  if (pid > 0) std::printf(", server pid %d", static_cast<int>(pid));
  std::printf("\n  %s\n", scenario.what);
  std::fflush(stdout);

  const auto start = Clock::now();
  run.hostile_end = start + seconds(run_seconds);
  run.innocent_end = run.hostile_end + kAfterwards;
  MemoryWatch memory;
  memory.pid = pid;
  memory.recovery_from = run.hostile_end;
  std::thread watcher;
  if (pid > 0) {
    memory.Sample();
    memory.idle = memory.last;
    if (memory.gone) {
      std::fprintf(stderr, "orlund-stress: no process %d\n", static_cast<int>(pid));
      return 1;
    }
    watcher = std::thread([&] { memory.Run(); });
  }

  std::vector<std::thread> innocents, hostiles;
  for (int i = 0; i < kInnocentClients; ++i) {
    innocents.emplace_back([&run, i] { orlund::stress::RunInnocentClient(run, i); });
  }
  int hostile_total = 0;
  for (const Share& share : shares) {
    for (int i = 0; i < share.clients; ++i, ++hostile_total) {
      hostiles.emplace_back(
          [&run, share, i] { orlund::stress::RunHostileClient(run, share.hostility, i); });
    }
  }
  for (auto& thread : hostiles) thread.join();
  // What the hostile clients added goes again as they leave.
  const bool removed = orlund::stress::RemoveAddedReceivers(run);
  for (auto& thread : innocents) thread.join();
  memory.stop = true;
  if (watcher.joinable()) watcher.join();
  if (pid > 0 && !memory.gone) memory.Sample();

  std::printf("hostile clients (%d, for %d s):\n", hostile_total, run_seconds);
  for (const Share& share : shares) {
    const auto& f = run.figures(share.hostility);
    std::printf(
        "  %-26s %3d clients: %s connections (%s not taken), %s packets / %.1f MB sent, "
        "%s answers read, %s closed by the server\n",
        orlund::stress::HostilityName(share.hostility), share.clients,
        Thousands(f.connections).c_str(), Thousands(f.not_connected).c_str(),
        Thousands(f.packets_sent).c_str(), static_cast<double>(f.bytes_sent) / 1e6,
        Thousands(f.answers).c_str(), Thousands(f.closed_by_server).c_str());
  }
  if (!run.added_receivers.empty()) {
    std::printf("  %zu receivers added, %s\n", run.added_receivers.size(),
                removed ? "removed again at the end" : "NOT all removed again");
  }

  auto& innocent = run.innocent;
  std::sort(innocent.answer_ms.begin(), innocent.answer_ms.end());
  const double p99 = orlund::stress::Percentile(innocent.answer_ms, 0.99);
  std::printf(
      "innocent clients (%d, until %d s after the hostile ones):\n"
      "  %s/%s connections admitted (%s not connected); %s requests, %s answered, %s lost (%s "
      "closed by the server), "
      "%s wrong; answer time "
      "p50 %.1f ms, p99 %.1f ms, longest %.1f ms\n",
      kInnocentClients, static_cast<int>(kAfterwards.count()), Thousands(innocent.admitted).c_str(),
      Thousands(innocent.attempts).c_str(), Thousands(innocent.not_connected).c_str(),
      Thousands(innocent.requests).c_str(), Thousands(innocent.answered).c_str(),
      Thousands(innocent.lost).c_str(), Thousands(innocent.closed).c_str(),
      Thousands(innocent.wrong).c_str(), orlund::stress::Percentile(innocent.answer_ms, 0.5), p99,
      innocent.answer_ms.empty() ? 0.0 : innocent.answer_ms.back());

  std::string peak = "-", final_rss = "-", crashes = "-";
  if (pid > 0) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f MiB", memory.peak);
    peak = text;
    std::snprintf(text, sizeof text, "%.1f MiB", memory.last);
    final_rss = text;
    crashes = memory.gone ? "1" : "0";
    std::printf("server (pid %d): RSS idle %.1f MiB, peak %.1f MiB, final %.1f MiB; ",
                static_cast<int>(pid), memory.idle, memory.peak, memory.last);
    if (memory.recovered != Clock::time_point{}) {
      std::printf("below idle + %.0f MiB %.1f s after the hostile clients stopped; ",
                  kRecoveryMargin,
                  std::chrono::duration<double>(memory.recovered - memory.recovery_from).count());
    } else {
      std::printf("NOT back below idle + %.0f MiB within %d s; ", kRecoveryMargin,
                  static_cast<int>(kAfterwards.count()));
    }
    std::printf("%s\n", memory.gone ? "GONE (crashed)" : "still running");
  }
  // One row for the README's table.
  std::printf("| %s | %d s | %d | %s/%s | %s | %.1f ms | %s | %s | %s |\n", scenario.name,
              run_seconds, hostile_total, Thousands(innocent.admitted).c_str(),
              Thousands(innocent.attempts).c_str(), Thousands(innocent.lost).c_str(), p99,
              peak.c_str(), final_rss.c_str(), crashes.c_str());

  std::vector<std::string> failures;
  if (memory.gone) failures.push_back("the server is gone");
  if (innocent.lost > 0) failures.push_back("innocent requests lost");
  if (innocent.wrong > 0) failures.push_back("wrong answers to innocent requests");
  if (innocent.admitted == 0) failures.push_back("no innocent client admitted");
  if (max_rss > 0 && memory.peak > max_rss) failures.push_back("memory above the limit");
  if (!removed) failures.push_back("added receivers not removed");
  if (failures.empty()) {
    std::printf("result: passed\n");
    return 0;
  }
  std::printf("result: FAILED:");
  for (const std::string& failure : failures) std::printf(" %s;", failure.c_str());
  std::printf("\n");
  return 1;
}
