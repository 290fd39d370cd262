#pragma once
// A writer for the deferred saves that keeps each job handed over until the
// test or benchmark runs it, so that the event thread's part and the
// writer's part of a save can be driven one at a time.

#include <deque>
#include <functional>
#include <utility>

#include "server/save_thread.h"

namespace orlund::testing {

struct HeldSaves : SaveExecutor {
  void Execute(Job job) override { jobs.push_back(std::move(job)); }
  // The writer's half of the oldest save; returns its completion.
  std::function<void()> Write() {
    Job job = std::move(jobs.front());
    jobs.pop_front();
    return job();
  }
  std::deque<Job> jobs;
};

}  // namespace orlund::testing
