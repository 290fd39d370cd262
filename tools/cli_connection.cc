#include "tools/cli_connection.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "protocol/catalogue.h"
#include "tools/cli_error.h"

namespace orlund {
namespace {

using Clock = std::chrono::steady_clock;

std::string SystemErrorText(int error) { return std::strerror(error); }

}  // namespace

CliConnection::~CliConnection() {
  if (fd_ >= 0) close(fd_);
}

std::string CliConnection::TimeLimitText() const {
  std::ostringstream text;
  text << static_cast<double>(time_limit_.count()) / 1000.0 << " s";
  return text.str();
}

CliConnection::Wait CliConnection::PollSocket(short events, Clock::time_point deadline,
                                              bool limited, int interrupt_fd) {
  for (;;) {
    int wait_ms = -1;
    if (limited) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return Wait::kTimedOut;
      wait_ms = static_cast<int>(std::min<int64_t>(left, 60 * 60 * 1000));
    }
    pollfd fds[2] = {{fd_, events, 0}, {interrupt_fd, POLLIN, 0}};
    const int n = poll(fds, interrupt_fd >= 0 ? 2 : 1, wait_ms);
    if (n < 0) {
      // A signal's handler writes to interrupt_fd, which the next poll sees.
      if (errno == EINTR) continue;
      throw CliError(kExitClosed, "waiting for the server failed: " + SystemErrorText(errno));
    }
    if (n == 0) continue;  // the loop head decides whether time is up
    if (interrupt_fd >= 0 && (fds[1].revents & POLLIN)) return Wait::kInterrupted;
    if (fds[0].revents != 0) return Wait::kReady;
  }
}

std::string HostPort(const std::string& host, int port) {
  const bool bracketed = host.find(':') != std::string::npos;
  return (bracketed ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

void CliConnection::Connect(const std::string& host, int port) {
  const std::string where = HostPort(host, port);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int resolved = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (resolved != 0)
    throw CliError(kExitUnreachable,
                   "cannot resolve host '" + host + "': " + gai_strerror(resolved));
  const auto deadline = Clock::now() + time_limit_;
  std::string failure = "no connection within " + TimeLimitText();
  for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
    const int fd =
        socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      failure = SystemErrorText(errno);
      continue;
    }
    fd_ = fd;
    int error = 0;
    if (connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      error = errno;
      if (error == EINPROGRESS) {
        if (PollSocket(POLLOUT, deadline, true, -1) == Wait::kTimedOut) {
          error = ETIMEDOUT;
        } else {
          socklen_t len = sizeof error;
          getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len);
        }
      }
    }
    if (error == 0) {
      freeaddrinfo(found);
      const int one = 1;
      setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      return;
    }
    close(fd);
    fd_ = -1;
    failure =
        error == ETIMEDOUT ? "no connection within " + TimeLimitText() : SystemErrorText(error);
    if (Clock::now() >= deadline) break;
  }
  freeaddrinfo(found);
  throw CliError(kExitUnreachable, "cannot connect to " + where + ": " + failure);
}

void CliConnection::UseConnected(int fd) {
  const int copy = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (copy < 0)
    throw CliError(kExitUnreachable, "cannot use the connected socket: " + SystemErrorText(errno));
  if (fd_ >= 0) close(fd_);
  fd_ = copy;
}

void CliConnection::EnableKeepAliveProbes() {
  const int one = 1, idle = 30, interval = 10, count = 3;
  setsockopt(fd_, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
  setsockopt(fd_, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
  setsockopt(fd_, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
  setsockopt(fd_, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

void CliConnection::Send(int type, std::string_view payload) {
  const std::string packet = EncodePacket(type, payload);
  const auto deadline = Clock::now() + time_limit_;
  size_t done = 0;
  while (done < packet.size()) {
    const ssize_t n = send(fd_, packet.data() + done, packet.size() - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (PollSocket(POLLOUT, deadline, true, -1) == Wait::kTimedOut)
        throw CliError(kExitNoAnswer, "the server took no data for " + TimeLimitText() +
                                          " while sending " + MessageName(type));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      throw CliError(kExitClosed, "the server closed the connection while sending " +
                                      MessageName(type) + " (" + SystemErrorText(errno) + ")");
    }
  }
}

std::optional<CliPacket> CliConnection::NextBuffered() {
  for (;;) {
    Frame frame;
    const FrameStatus status = framer_.Next(frame);
    if (status == FrameStatus::kNeedMore) return std::nullopt;
    if (status == FrameStatus::kTooLong)
      throw CliError(kExitProtocol, "malformed packet from the server: " + framer_.error());
    if (frame.type != NETWORK_COMMON_KEEPALIVE)
      return CliPacket{frame.type, std::string(frame.payload)};
    try {
      Send(NETWORK_COMMON_KEEPALIVE, "");
    } catch (const CliError&) {
      // A failed reply shows up as a closed connection on the next read.
    }
  }
}

bool CliConnection::Receive() {
  char chunk[65536];
  for (;;) {
    const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
    if (n > 0) {
      framer_.Feed(std::string_view(chunk, static_cast<size_t>(n)));
      return true;
    }
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    return false;  // orderly close, reset or another socket error
  }
}

void CliConnection::RaiseClosed(std::string_view awaiting) const {
  throw CliError(kExitClosed,
                 "the server closed the connection while waiting for " + std::string(awaiting));
}

CliPacket CliConnection::Read(std::string_view awaiting) {
  const auto deadline = Clock::now() + time_limit_;
  for (;;) {
    if (auto packet = NextBuffered()) return *packet;
    if (PollSocket(POLLIN, deadline, true, -1) == Wait::kTimedOut)
      throw CliError(kExitNoAnswer, "no answer from the server within " + TimeLimitText() +
                                        " (waiting for " + std::string(awaiting) + ")");
    if (!Receive()) RaiseClosed(awaiting);
  }
}

std::string CliConnection::Await(int type) {
  const auto deadline = Clock::now() + time_limit_;
  const std::string name = MessageName(type);
  for (;;) {
    while (auto packet = NextBuffered())
      if (packet->type == type) return std::move(packet->payload);
    if (PollSocket(POLLIN, deadline, true, -1) == Wait::kTimedOut)
      throw CliError(kExitNoAnswer, "no answer from the server within " + TimeLimitText() +
                                        " (waiting for " + name + ")");
    if (!Receive()) RaiseClosed(name);
  }
}

std::optional<CliPacket> CliConnection::ReadUntil(int interrupt_fd) {
  for (;;) {
    if (auto packet = NextBuffered()) return packet;
    if (PollSocket(POLLIN, Clock::time_point{}, false, interrupt_fd) == Wait::kInterrupted)
      return std::nullopt;
    if (!Receive()) RaiseClosed("pushed packets");
  }
}

}  // namespace orlund
