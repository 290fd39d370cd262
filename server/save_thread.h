#pragma once
// Where the deferred saves write: away from the event thread. The event
// thread hands over a job; the job runs on the writer and returns its
// completion, which then runs on the event thread. The hand-over queue is
// the only state the two threads share.

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

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

// One writer thread; completions are posted to the server's io_context,
// which stays busy until they have run. `wake`, when given, is called on the
// writer after each completion is posted, for an event thread that waits
// outside the io_context.
class SaveThread : public SaveExecutor {
 public:
  explicit SaveThread(boost::asio::io_context& io, std::function<void()> wake = {});
  // Runs the jobs still handed over, then ends the thread.
  ~SaveThread() override;
  SaveThread(const SaveThread&) = delete;
  SaveThread& operator=(const SaveThread&) = delete;

  void Execute(Job job) override;

 private:
  using WorkGuard = boost::asio::executor_work_guard<boost::asio::io_context::executor_type>;
  void Run();

  boost::asio::io_context& io_;
  std::function<void()> after_post_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::pair<Job, WorkGuard>> jobs_;
  bool closing_ = false;
  std::thread thread_;
};

}  // namespace orlund
