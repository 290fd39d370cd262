#include "server/socket_poller.h"

#include <unistd.h>

#include <boost/asio/error.hpp>
#include <boost/asio/post.hpp>
#include <cerrno>
#include <system_error>

namespace orlund {

namespace {

int NewEpoll() {
  const int fd = ::epoll_create1(EPOLL_CLOEXEC);
  if (fd < 0) throw std::system_error(errno, std::system_category(), "epoll_create1");
  return fd;
}

}  // namespace

SocketPoller::SocketPoller(boost::asio::io_context& io)
    : epoll_fd_(NewEpoll()), io_(io), descriptor_(io, epoll_fd_) {}

// The descriptor closes the epoll instance; a wait still under way ends as
// aborted without touching the poller.
SocketPoller::~SocketPoller() = default;

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

void SocketPoller::Arm() {
  if (armed_) return;
  armed_ = true;
  descriptor_.async_wait(boost::asio::posix::stream_descriptor::wait_read,
                         [this](const boost::system::error_code& error) {
                           if (error == boost::asio::error::operation_aborted) return;
                           armed_ = false;
                           Poll();
                         });
}

void SocketPoller::Poll() {
  int count = ::epoll_wait(epoll_fd_, ready_.data(), static_cast<int>(ready_.size()), 0);
  if (count < 0) count = 0;
  // A full batch may have left sockets behind, and a socket whose receive
  // filled the buffer may hold more: both are asked again after this round
  // instead of waiting for the event loop, which reports only new arrivals.
  bool again = count == static_cast<int>(ready_.size());
  for (int i = 0; i < count; ++i) {
    const int fd = ready_[i].data.fd;
    const uint32_t events = ready_[i].events;
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
  if (again) {
    PostPoll();
  } else {
    Arm();
  }
}

void SocketPoller::PostPoll() {
  if (poll_posted_) return;
  poll_posted_ = true;
  boost::asio::post(io_, [this] {
    poll_posted_ = false;
    Poll();
  });
}

}  // namespace orlund
