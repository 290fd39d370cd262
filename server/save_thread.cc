#include "server/save_thread.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <boost/asio/post.hpp>
#include <optional>

namespace orlund {

SaveThread::SaveThread(boost::asio::io_context& io, std::function<void()> wake)
    : io_(io), after_post_(std::move(wake)), thread_([this] { Run(); }) {}

SaveThread::~SaveThread() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void SaveThread::Execute(Job job) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.emplace_back(std::move(job), boost::asio::make_work_guard(io_));
  }
  wake_.notify_one();
}

void SaveThread::Run() {
  // Signals are the event thread's to handle.
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);
  // Background work: where the processors are busy, the event thread goes
  // first.
  (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
  for (;;) {
    Job job;
    std::optional<WorkGuard> guard;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return closing_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      job = std::move(jobs_.front().first);
      guard.emplace(std::move(jobs_.front().second));
      jobs_.pop_front();
    }
    // The guard goes only after the completion is queued, so the event loop
    // cannot run out of work in between.
    boost::asio::post(io_, job());
    if (after_post_) after_post_();
  }
}

}  // namespace orlund
