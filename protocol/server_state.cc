#include "protocol/server_state.h"

#include <time.h>

#include "base/clock.h"
#include "protocol/catalogue.h"

namespace orlund {

ServerClock ServerClock::System() {
  ServerClock clock;
  // The local time is worked out once per second: every packet-list line
  // reads it. Its lines show whole seconds, so the coarse clock serves,
  // which is read without asking the hardware.
  clock.local_now = [] {
    thread_local std::time_t second = -1;
    thread_local std::tm local{};
    timespec coarse{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &coarse);
    const std::time_t now = coarse.tv_sec;
    if (now != second) {
      second = now;
      local = ToLocalTime(std::chrono::system_clock::from_time_t(now));
    }
    return local;
  };
  clock.steady_now = [] { return std::chrono::steady_clock::now(); };
  return clock;
}

void RunInBackground(ServerState& state, BackgroundJob job) {
  if (state.run_in_background) {
    state.run_in_background(std::move(job));
  } else {
    job()();
  }
}

std::function<void()> ShowNotWritten(ServerState& state, std::string_view peer, int type,
                                     std::string_view what) {
  std::string line = std::string(peer) + " " + MessageName(type) + ": " + std::string(what);
  return [&state, line = std::move(line)] { state.List_Packets.Add(line); };
}

void WriteNewest(ServerState& state, BackgroundWrite& slot,
                 std::function<BackgroundJob()> make_job) {
  if (slot.writing) {
    slot.changed = true;
    return;
  }
  slot.writing = true;
  BackgroundJob write = make_job();
  RunInBackground(state, [&state, &slot, write = std::move(write), make_job = std::move(make_job)] {
    std::function<void()> done = write();
    return std::function<void()>([&state, &slot, done = std::move(done), make_job] {
      if (done) done();
      slot.writing = false;
      if (!slot.changed) return;
      slot.changed = false;
      WriteNewest(state, slot, make_job);
    });
  });
}

}  // namespace orlund
