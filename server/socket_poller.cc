#include "server/socket_poller.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <boost/asio/error.hpp>
#include <boost/asio/post.hpp>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace orlund {

namespace {

int NewEpoll() {
  const int fd = ::epoll_create1(EPOLL_CLOEXEC);
  if (fd < 0) throw std::system_error(errno, std::system_category(), "epoll_create1");
  return fd;
}

int NewEventFd() {
  const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd < 0) throw std::system_error(errno, std::system_category(), "eventfd");
  return fd;
}

bool Add(int epoll_fd, int fd) {
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.fd = fd;
  return ::epoll_ctl(epoll_fd, EPOLL_CTL_ADD, fd, &event) == 0;
}

// True when the epoll instance `fd` has `target` among its descriptors: the
// system lists each as a "tfd:" line of the instance's fdinfo entry.
bool EpollWatches(int fd, int target) {
  std::ifstream info("/proc/self/fdinfo/" + std::to_string(fd));
  for (std::string line; std::getline(info, line);) {
    if (line.rfind("tfd:", 0) == 0 && std::atoi(line.c_str() + 4) == target) return true;
  }
  return false;
}

}  // namespace

int FindReactorDescriptor(boost::asio::io_context& io) {
  namespace fs = std::filesystem;
  // A probe registered with the reactor is a member of its epoll instance,
  // and of no other.
  const int probe_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (probe_fd < 0) return -1;
  boost::system::error_code refused;
  boost::asio::posix::stream_descriptor probe(io);
  probe.assign(probe_fd, refused);
  if (refused) {
    ::close(probe_fd);
    return -1;
  }
  int found = -1;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd", error)) {
    std::error_code link_error;
    if (fs::read_symlink(entry.path(), link_error) != "anon_inode:[eventpoll]") continue;
    const int fd = std::atoi(entry.path().filename().c_str());
    if (!EpollWatches(fd, probe.native_handle())) continue;
    if (found >= 0) return -1;  // two would be a guess
    found = fd;
  }
  return found;
}

SocketPoller::SocketPoller(boost::asio::io_context& io)
    : epoll_fd_(NewEpoll()), wake_fd_(NewEventFd()), io_(io), descriptor_(io) {
  Add(epoll_fd_, wake_fd_);
}

SocketPoller::~SocketPoller() {
  // The descriptor closes the epoll instance when it holds it; a wait still
  // under way ends as aborted without touching the poller.
  if (!descriptor_.is_open()) ::close(epoll_fd_);
  ::close(wake_fd_);
}

bool SocketPoller::Watch(int fd, std::weak_ptr<Client> client, bool read, bool write) {
  if (fd < 0) return false;
  if (static_cast<size_t>(fd) >= watched_.size()) watched_.resize(static_cast<size_t>(fd) + 1);
  Watched& entry = watched_[static_cast<size_t>(fd)];
  const uint32_t events = (read ? EPOLLIN : 0u) | (write ? EPOLLOUT : 0u);
  entry.client = std::move(client);
  if (events == entry.events) return true;
  epoll_event event{};
  event.events = events;
  event.data.fd = fd;
  // A socket watched for nothing leaves the set: errors and hang-ups are
  // reported whatever a member asks for.
  const int op = events == 0 ? EPOLL_CTL_DEL : entry.events == 0 ? EPOLL_CTL_ADD : EPOLL_CTL_MOD;
  if (::epoll_ctl(epoll_fd_, op, fd, &event) != 0 && op != EPOLL_CTL_DEL) return false;
  const bool more = (events & ~entry.events) != 0;
  entry.events = events;
  // What is ready already counts too: look at once rather than trust the
  // event loop's wake-up for readiness that came before the watch.
  if (more) PostPoll();
  return true;
}

void SocketPoller::Forget(int fd) {
  Watched* entry = Find(fd);
  if (entry == nullptr) return;
  if (entry->events != 0) ::epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, fd, nullptr);
  *entry = Watched{};
}

SocketPoller::Watched* SocketPoller::Find(int fd) {
  if (fd < 0 || static_cast<size_t>(fd) >= watched_.size()) return nullptr;
  return &watched_[static_cast<size_t>(fd)];
}

void SocketPoller::Run() {
  // The reactor goes inside the poller, so the poller must leave the
  // reactor first: epoll refuses a loop.
  const bool was_armed = armed_;
  if (descriptor_.is_open()) descriptor_.release();
  armed_ = false;
  const int reactor = FindReactorDescriptor(io_);
  if (reactor < 0 || !Add(epoll_fd_, reactor)) {
    if (was_armed) Arm();
    io_.run();
    return;
  }
  reactor_fd_ = reactor;
  struct Unnest {
    SocketPoller& poller;
    ~Unnest() {
      ::epoll_ctl(poller.epoll_fd_, EPOLL_CTL_DEL, poller.reactor_fd_, nullptr);
      poller.reactor_fd_ = -1;
    }
  } unnest{*this};
  // Rounds of handlers and sockets, and one wait when neither has work: for
  // a socket, the reactor (a timer, a signal, a connection request, the
  // console) or a completion posted by another thread. A round runs the
  // handlers ready when it began, in order, then serves the ready sockets;
  // what the handlers queue meanwhile (a client's next turn) waits for the
  // next round, after the sockets, so that neither side can hold up the
  // other. A mark queued behind the ready handlers ends their part of the
  // round; while no handler is ready the round costs one look.
  bool again = true;
  for (;;) {
    bool more = false;
    if (io_.poll_one() > 0) {
      round_marked_ = false;
      boost::asio::post(io_, [this] { round_marked_ = true; });
      while (!round_marked_ && io_.poll_one() > 0) {
      }
      more = true;
    }
    if (io_.stopped()) break;
    const bool posted = poll_posted_;
    poll_posted_ = false;
    again = Serve(again || posted || more ? 0 : -1);
  }
}

void SocketPoller::Wake() {
  const uint64_t one = 1;
  (void)!::write(wake_fd_, &one, sizeof one);
}

void SocketPoller::Arm() {
  if (armed_ || reactor_fd_ >= 0) return;
  armed_ = true;
  if (!descriptor_.is_open()) descriptor_.assign(epoll_fd_);
  descriptor_.async_wait(boost::asio::posix::stream_descriptor::wait_read,
                         [this](const boost::system::error_code& error) {
                           if (error == boost::asio::error::operation_aborted) return;
                           armed_ = false;
                           ServeInside();
                         });
}

void SocketPoller::ServeInside() {
  if (Serve(0)) {
    PostPoll();
  } else {
    Arm();
  }
}

bool SocketPoller::Serve(int timeout_ms) {
  int count = ::epoll_wait(epoll_fd_, ready_.data(), static_cast<int>(ready_.size()), timeout_ms);
  if (count < 0) count = 0;
  // A full batch may have left sockets behind, and a socket whose receive
  // filled the buffer may hold more: both are asked again after this round
  // instead of waiting for the event loop, which reports only new arrivals.
  bool again = count == static_cast<int>(ready_.size());
  for (int i = 0; i < count; ++i) {
    const int fd = ready_[i].data.fd;
    const uint32_t events = ready_[i].events;
    if (fd == wake_fd_) {
      uint64_t wakes = 0;
      (void)!::read(wake_fd_, &wakes, sizeof wakes);
      continue;
    }
    if (fd == reactor_fd_) continue;  // its handlers run before the next round
    // A client met earlier in the round may have closed this one, and the
    // write may change what is watched: the entry is looked at afresh each
    // time, and only clients that still exist are called.
    auto wanting = [&](uint32_t what) -> std::shared_ptr<Client> {
      const Watched* entry = Find(fd);
      if (entry == nullptr || (events & (what | EPOLLERR | EPOLLHUP)) == 0 ||
          (entry->events & what) == 0) {
        return nullptr;
      }
      return entry->client.lock();
    };
    if (auto member = wanting(EPOLLOUT)) member->OnWritable();
    if (auto member = wanting(EPOLLIN)) again = member->OnReadable() || again;
  }
  return again;
}

void SocketPoller::PostPoll() {
  if (poll_posted_) return;
  poll_posted_ = true;
  // Run looks at the flag before its next wait.
  if (reactor_fd_ >= 0) return;
  boost::asio::post(io_, [this] {
    poll_posted_ = false;
    ServeInside();
  });
}

}  // namespace orlund
