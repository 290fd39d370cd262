#include "tools/echo_server.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <stdexcept>
#include <vector>

namespace orlund {
namespace {

// Sends all of `bytes`; false when the connection is gone.
bool SendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

class EchoLoop {
 public:
  EchoLoop(int listener, std::string answer, bool fan_out)
      : listener_(listener), answer_(std::move(answer)), fan_out_(fan_out) {
    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    Watch(listener_);
  }

  [[noreturn]] void Run() {
    epoll_event events[256];
    std::vector<char> chunk(65536);
    for (;;) {
      const int n = ::epoll_wait(epoll_, events, 256, -1);
      for (int e = 0; e < n; ++e) {
        const int fd = events[e].data.fd;
        if (fd == listener_) {
          Accept();
          continue;
        }
        const ssize_t got = ::recv(fd, chunk.data(), chunk.size(), 0);
        if (got <= 0) {
          Drop(fd);
          continue;
        }
        std::string& buffer = clients_[fd];
        buffer.append(chunk.data(), static_cast<size_t>(got));
        out_.clear();
        const size_t used = CutPackets(buffer, 0, [&](int, std::string_view packet) {
          if (fan_out_) {
            for (int other : order_) SendAll(other, packet);
          } else {
            out_ += answer_;
          }
        });
        buffer.erase(0, used);
        if (!out_.empty() && !SendAll(fd, out_)) Drop(fd);
      }
    }
  }

 private:
  void Watch(int fd) {
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = fd;
    ::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event);
  }

  void Accept() {
    for (int client; (client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
      int one = 1;
      ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      clients_[client];
      order_.push_back(client);
      Watch(client);
    }
  }

  void Drop(int fd) {
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
    ::close(fd);
    clients_.erase(fd);
    order_.erase(std::find(order_.begin(), order_.end(), fd));
  }

  int listener_;
  std::string answer_;
  bool fan_out_;
  int epoll_ = -1;
  std::map<int, std::string> clients_;
  std::vector<int> order_;
  std::string out_;
};

}  // namespace

EchoServer::EchoServer(std::string answer, bool fan_out) {
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  int one = 1;
  ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::listen(listener, 256) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    if (listener >= 0) ::close(listener);
    throw std::runtime_error("the echo server cannot listen");
  }
  port_ = ntohs(address.sin_port);
  const pid_t parent = ::getpid();
  pid_ = ::fork();
  if (pid_ < 0) {
    ::close(listener);
    throw std::runtime_error("cannot start the echo server");
  }
  if (pid_ == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) _exit(0);  // the parent ended before the line above
    EchoLoop(listener, std::move(answer), fan_out).Run();
  }
  ::close(listener);
}

EchoServer::~EchoServer() {
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

}  // namespace orlund
