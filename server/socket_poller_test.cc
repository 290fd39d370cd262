#include "server/socket_poller.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace orlund {
namespace {

// The descriptor found is the one the io_context waits on: readiness of a
// descriptor the io_context waits for shows on it. The poller's own epoll
// instance, opened first, is not taken for it.
TEST(SocketPollerTest, FindsTheEpollInstanceTheIoContextWaitsOn) {
  boost::asio::io_context io;
  SocketPoller poller(io);
  const int event_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  ASSERT_GE(event_fd, 0);
  boost::asio::posix::stream_descriptor waited(io, event_fd);
  waited.async_wait(boost::asio::posix::stream_descriptor::wait_read,
                    [](const boost::system::error_code&) {});
  io.poll();

  const int reactor = FindReactorDescriptor(io);
  ASSERT_GE(reactor, 0);
  pollfd ready{reactor, POLLIN, 0};
  EXPECT_EQ(::poll(&ready, 1, 0), 0) << "ready before anything happened";
  const uint64_t one = 1;
  ASSERT_EQ(::write(event_fd, &one, sizeof one), static_cast<ssize_t>(sizeof one));
  EXPECT_EQ(::poll(&ready, 1, 5000), 1);
}

// Runs the poller; false when it had to be stopped after 10 s, so that a
// hang fails the test instead of holding up the suite.
bool RunWithin10s(boost::asio::io_context& io, SocketPoller& poller) {
  std::atomic<bool> finished = false;
  std::atomic<bool> timed_out = false;
  std::thread watchdog([&] {
    for (int i = 0; i < 1000 && !finished; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!finished) {
      timed_out = true;
      io.stop();
      poller.Wake();
    }
  });
  poller.Run();
  finished = true;
  watchdog.join();
  return !timed_out;
}

// A socket's reader that hands the rest of the test to another thread, which
// can reach the event thread only by posting and waking it.
class HandOver : public SocketPoller::Client {
 public:
  HandOver(int fd, boost::asio::io_context& io, SocketPoller& poller)
      : fd_(fd), io_(io), poller_(poller) {}
  ~HandOver() {
    if (other_.joinable()) other_.join();
  }

  bool OnReadable() override {
    char chunk[64];
    const ssize_t n = ::read(fd_, chunk, sizeof chunk);
    if (n > 0) received += std::string(chunk, static_cast<size_t>(n));
    if (received == "ping" && !other_.joinable()) {
      other_ = std::thread([this] {
        boost::asio::post(io_, [this] {
          handed_back = true;
          io_.stop();
        });
        poller_.Wake();
      });
    }
    return false;
  }
  void OnWritable() override {}

  std::string received;
  bool handed_back = false;

 private:
  int fd_;
  boost::asio::io_context& io_;
  SocketPoller& poller_;
  std::thread other_;
};

// A poller on a fresh io_context watching one end of a socket pair for a
// HandOver reader; `peer` is the other end.
struct WatchedPair {
  WatchedPair() {
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends), 0);
    reader = std::make_shared<HandOver>(ends[0], io, poller);
    EXPECT_TRUE(poller.Watch(ends[0], reader, true, false));
  }
  ~WatchedPair() {
    poller.Forget(ends[0]);
    ::close(ends[0]);
    ::close(ends[1]);
  }
  int peer() const { return ends[1]; }

  boost::asio::io_context io;
  SocketPoller poller{io};
  int ends[2] = {-1, -1};
  std::shared_ptr<HandOver> reader;
};

// Run serves the io_context's timers, the watched sockets and completions
// posted from another thread, each in turn, and returns when the io_context
// stops: the timer writes to the socket, the socket's reader hands over to
// another thread, and that thread's completion stops the loop.
TEST(SocketPollerTest, RunServesTimersSocketsAndCompletionsPostedFromAnotherThread) {
  WatchedPair f;
  auto work = boost::asio::make_work_guard(f.io);
  boost::asio::steady_timer timer(f.io, std::chrono::milliseconds(20));
  timer.async_wait([&](const boost::system::error_code& error) {
    if (!error) {
      ASSERT_EQ(::write(f.peer(), "ping", 4), 4);
    }
  });
  EXPECT_TRUE(RunWithin10s(f.io, f.poller));
  EXPECT_EQ(f.reader->received, "ping");
  EXPECT_TRUE(f.reader->handed_back);
}

// A handler that queues the next one at once, as a client's next turn does,
// still leaves the sockets their turn between its rounds.
TEST(SocketPollerTest, HandlersQueuingMoreAtOnceLeaveTheSocketsTheirTurn) {
  WatchedPair f;
  int turns = 0;
  std::function<void()> turn = [&] {
    // The data comes while the turns go on.
    if (++turns == 100) {
      ASSERT_EQ(::write(f.peer(), "ping", 4), 4);
    }
    // Ends the test when the socket was served, or after far more turns
    // than a fair share needs.
    if (f.reader->handed_back || turns == 1000000) {
      f.io.stop();
      return;
    }
    boost::asio::post(f.io, turn);
  };
  boost::asio::post(f.io, turn);
  EXPECT_TRUE(RunWithin10s(f.io, f.poller));
  EXPECT_EQ(f.reader->received, "ping");
  EXPECT_LT(turns, 1000000);
}

// Run ends by itself, as io_context::run does, once the io_context has no
// work left; a watched socket does not count as work. The timer's expiry
// is found by the reactor in the same round as the round's mark, and
// waits behind it.
TEST(SocketPollerTest, RunEndsWhenTheIoContextRunsOutOfWork) {
  WatchedPair f;
  bool fired = false;
  boost::asio::steady_timer timer(f.io, std::chrono::milliseconds(5));
  timer.async_wait([&](const boost::system::error_code& error) { fired = !error; });
  EXPECT_TRUE(RunWithin10s(f.io, f.poller));
  EXPECT_TRUE(fired);
}

}  // namespace
}  // namespace orlund
