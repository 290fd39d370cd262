// The longest stall of the server's event thread while it saves a full data
// store: the real server runs on a scratch project of 300 profiles (50
// periods each) and 300 receivers; one client changes a receiver and a
// profile, which makes the next tick save both tables, while another client
// sends receiver type requests (type 4) in a closed loop. The figures are
// the largest delay of an answer from the change until both saves are done
// (the alarm server's "RR" and "RP:-1" are queued) and how many answers took
// longer than 5 ms, beside the same over a second without saves and over a
// second against a one-thread echo server answering with the same bytes: on
// this machine the echo's figures are the floor, what the machine itself
// adds to a round trip now and then, and on a machine busy with other work
// all three grow. A second benchmark times the event thread's own turns of
// such a save apart from the sockets and the other processes. Run
// build/bin/save_stall_bench.

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "protocol/framing.h"
#include "protocol/messages.h"
#include "server/deferred_saves.h"
#include "store/data_store.h"
#include "testing/fake_transport.h"
#include "testing/full_store.h"
#include "testing/harness.h"
#include "testing/held_saves.h"
#include "tools/echo_server.h"

namespace {

using namespace orlund;
namespace test = orlund::testing;
using Clock = std::chrono::steady_clock;

// Writes the full store into the project's data folders.
bool WriteFullStore(const std::string& project_dir) {
  auto store = std::make_unique<DataStore>();
  test::FillFullStore(*store);
  FixedTexts texts;
  RecordingLog log;
  const StoreContext context{project_dir, log, texts};
  return SaveAllReceivers(store->receivers, context) && SaveAllProfiles(store->profiles, context);
}

struct Delays {
  double longest_ms = 0;
  int over_5ms = 0;
  int answers = 0;

  void Add(const Delays& other) {
    longest_ms = std::max(longest_ms, other.longest_ms);
    over_5ms += other.over_5ms;
    answers += other.answers;
  }
};

// Sends type 4 requests one after another until `done` holds (looked at
// every 5 ms) and returns the answer delays; nullopt when an answer did not
// come.
template <typename Done>
std::optional<Delays> AnswerDelays(test::Client& client, Done done) {
  Delays delays;
  auto next_look = Clock::now();
  for (;;) {
    const auto sent = Clock::now();
    client.Send(4);
    auto answer = client.ReadSkippingKeepAlives();
    while (answer && answer->type != 4) answer = client.ReadSkippingKeepAlives();  // broadcasts
    if (!answer) return std::nullopt;
    const auto now = Clock::now();
    const double ms = std::chrono::duration<double, std::milli>(now - sent).count();
    delays.longest_ms = std::max(delays.longest_ms, ms);
    delays.over_5ms += ms > 5;
    ++delays.answers;
    if (now >= next_look) {
      if (done()) return delays;
      next_look = now + std::chrono::milliseconds(5);
    }
  }
}

// A second of requests, then no more.
std::optional<Delays> OneSecondOf(test::Client& client) {
  const auto until = Clock::now() + std::chrono::seconds(1);
  return AnswerDelays(client, [&] { return Clock::now() >= until; });
}

void Report(benchmark::State& state, const std::string& name, const Delays& delays) {
  state.counters[name + "_longest_ms"] = delays.longest_ms;
  state.counters[name + "_over_5ms"] = delays.over_5ms;
  state.counters[name + "_answers"] = delays.answers;
}

// A scratch project on disk, and the server's home (its stdout, settings
// stores and command queue) in memory, as a terminal would take its output.
// With the packet list echoed into a file on the same disk, the event thread
// would wait at every line while the save's flushes commit the file
// system's journal.
class Scratch {
 public:
  Scratch() {
    char data[] = "/tmp/orlund-stall-XXXXXX";
    char home[] = "/dev/shm/orlund-stall-XXXXXX";
    if (mkdtemp(data) != nullptr) project = std::string(data) + "/";
    if (mkdtemp(home) != nullptr) this->home = std::string(home) + "/";
  }
  ~Scratch() {
    std::error_code ignored;
    if (!project.empty()) std::filesystem::remove_all(project, ignored);
    if (!home.empty()) std::filesystem::remove_all(home, ignored);
  }
  // The commands queued for the alarm server.
  size_t Queued() const {
    size_t count = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(home + "queue", ec)) {
      count += entry.path().extension() == ".cmd";
    }
    return count;
  }

  std::string project, home;
  int port = test::FreePort();
};

void BM_AnswerDelayWhileSavingEverything(benchmark::State& state) {
  Scratch scratch;
  test::WriteFile(scratch.project + "Orlund_Server.ini",
                  "[General]\nLanguage=ENG\n[ActiveX]\nActiveXServerPort=" +
                      std::to_string(scratch.port) + "\nActiveXKeepAliveInterval=60000\n");
  if (!WriteFullStore(scratch.project)) return state.SkipWithError("cannot write the project");
  test::ServerProcess server(scratch.project, scratch.home);
  if (!test::WaitFor([&] { return test::Contains(server.Stdout(), " - version "); })) {
    return state.SkipWithError("the server did not start");
  }
  test::Client changer(scratch.port);
  if (changer.ReadStartPackets().size() != 4) return state.SkipWithError("no start packets");
  ProfileRecord profile;
  profile.Name = "Profile 7";
  cTimeSchedule schedule;
  for (int k = 0; k < 50; ++k) schedule.AppendPeriod(k % 7, k * 20, k * 20 + 10);

  std::unique_ptr<EchoServer> echo_server;
  {
    test::Client asker(scratch.port);
    asker.ReadStartPackets();
    asker.Send(4);
    const auto answer = asker.ReadType(4);
    if (!answer) return state.SkipWithError("no answer to type 4");
    try {
      echo_server = std::make_unique<EchoServer>(EncodePacket(4, answer->payload), false);
    } catch (const std::exception& e) {
      return state.SkipWithError(e.what());
    }
  }
  test::Client echo(echo_server->port());

  Delays idle, saving, floor;
  int round = 0;
  for (auto _ : state) {
    {
      test::Client asker(scratch.port);
      if (asker.ReadStartPackets().size() != 4) return state.SkipWithError("no start packets");
      const auto quiet = OneSecondOf(asker);
      const auto echoed = OneSecondOf(echo);
      if (!quiet || !echoed) return state.SkipWithError("an answer did not come");
      idle.Add(*quiet);
      floor.Add(*echoed);
    }
    const size_t queued = scratch.Queued();
    profile.TextA = "round " + std::to_string(++round);
    changer.Send(100, Encode(ReceiverEntry{
                          "Receiver 7", 0, 0, 1, profile.TextA, {"0171", "3", "1200", ""}}));
    changer.Send(
        120, Encode(ProfileUpdateRequest{profile.Name, {profile, schedule.ComposePeriodArray()}}));
    // The asker connects once the receiver's broadcast has gone out: an
    // answer queued behind a broadcast the client has not acknowledged yet
    // waits for its delayed acknowledgement (about 40 ms), which is the
    // network's doing, not a stall of the server. The saves start at the
    // next tick, up to a second later.
    auto echoed = changer.ReadSkippingKeepAlives();
    if (!echoed || echoed->type != 100) return state.SkipWithError("no echo of the change");
    test::Client asker(scratch.port);
    if (asker.ReadStartPackets().size() != 4) return state.SkipWithError("no start packets");
    const auto delays = AnswerDelays(asker, [&] { return scratch.Queued() >= queued + 2; });
    if (!delays) return state.SkipWithError("an answer did not come");
    saving.Add(*delays);
  }
  Report(state, "while_saving", saving);
  Report(state, "without_saves", idle);
  Report(state, "echo_server", floor);
  server.Stop(SIGTERM);
}
BENCHMARK(BM_AnswerDelayWhileSavingEverything)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The processor time this thread has used: unlike the time on the clock, it
// leaves out what other processes took from it meanwhile.
double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The event thread's own part of saving a full store, without the writer's
// part and without the machine's scheduling in between: taking the
// snapshots and starting both saves is one turn of the event loop, taking
// each outcome back another. The figure is the longest of these turns, the
// most a save can hold up the event thread; the time per iteration is their
// sum. On a busy machine the clock's figure includes the time other
// processes had the processor; the processor time leaves it out.
void BM_EventThreadTurnsOfSavingEverything(benchmark::State& state) {
  // As at the server's start: the tables loaded from a full project.
  Scratch scratch;
  if (!WriteFullStore(scratch.project)) return state.SkipWithError("cannot write the project");
  TestServer server;
  server.state.ProjectDirectory = scratch.project;
  LoadAllReceivers(server.state.data.receivers, server.state.store_context());
  LoadAllProfiles(server.state.data.profiles, server.state.store_context());
  if (server.state.data.receivers.ReceiverCount != kReceiverCapacity ||
      server.state.data.profiles.ProfileCount != kProfileCapacity) {
    return state.SkipWithError("cannot load the project");
  }
  test::HeldSaves held;
  DeferredSaves saves(server.state, held);
  double longest = 0, longest_cpu = 0;
  for (auto _ : state) {
    server.state.ReceiversChanged = true;
    server.state.ProfilesChanged = true;
    auto turn = [&](const auto& work) {
      const auto start = Clock::now();
      const double start_cpu = ThreadCpuSeconds();
      work();
      const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
      longest = std::max(longest, seconds);
      longest_cpu = std::max(longest_cpu, ThreadCpuSeconds() - start_cpu);
      return seconds;
    };
    double event_thread = turn([&] { saves.StartPending(); });
    if (held.jobs.size() != 2) return state.SkipWithError("the saves did not start");
    while (!held.jobs.empty()) {
      event_thread += turn(held.Write());  // the writer's part, then the event thread's
    }
    if (server.state.ReceiversChanged || server.state.ProfilesChanged) {
      return state.SkipWithError("a save failed");
    }
    state.SetIterationTime(event_thread);
  }
  state.counters["longest_turn_ms"] = longest * 1000;
  state.counters["longest_turn_cpu_ms"] = longest_cpu * 1000;
}
BENCHMARK(BM_EventThreadTurnsOfSavingEverything)
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
