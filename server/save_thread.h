#pragma once
// Where the deferred saves write: away from the event thread. The event
// thread hands over a job; the job runs on the writer and returns its
// completion, which then runs on the event thread. The hand-over queue is
// the only state the two threads share.

#include <functional>

namespace orlund {

class SaveExecutor {
 public:
  // Runs on the writer and must not throw; what it returns runs on the
  // event thread.
  using Job = std::function<std::function<void()>()>;

  virtual ~SaveExecutor() = default;
  virtual void Execute(Job job) = 0;
};

// Runs the job and its completion at once on the calling thread, so that
// tests drive the saves step by step.
class InlineSaveExecutor : public SaveExecutor {
 public:
  void Execute(Job job) override { job()(); }
};

}  // namespace orlund
