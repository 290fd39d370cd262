#include "tools/stress_socket.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace orlund::stress {

StressSocket::StressSocket(int port, Clock::duration limit, int receive_buffer) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return;
  if (receive_buffer > 0) {
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
  }
  int one = 1;
  ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return;
  int error = 0;
  socklen_t length = sizeof error;
  if (errno != EINPROGRESS || !WaitFor(POLLOUT, Clock::now() + limit) ||
      ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

StressSocket::~StressSocket() {
  if (fd_ >= 0) ::close(fd_);
}

bool StressSocket::WaitFor(short events, Clock::time_point until) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{fd_, events, 0};
    const int n = ::poll(&p, 1, static_cast<int>(std::min<int64_t>(left, 1000)));
    if (n > 0) return true;
    if (n < 0 && errno != EINTR) return false;
  }
}

ssize_t StressSocket::SendNow(std::string_view bytes) {
  if (!connected()) return -1;
  const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  if (n >= 0) return n;
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
  closed_ = true;
  return -1;
}

bool StressSocket::SendAll(std::string_view bytes, Clock::time_point until) {
  while (!bytes.empty()) {
    const ssize_t n = SendNow(bytes);
    if (n < 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
    if (!bytes.empty() && !WaitFor(POLLOUT, until)) return false;
  }
  return true;
}

bool StressSocket::CutPacket(Packet& packet) {
  const size_t available = received_.size() - cursor_;
  if (available < 5) return false;
  uint32_t length = 0;
  for (size_t i = 1; i <= 4; ++i) {
    length = length << 8 | static_cast<uint8_t>(received_[cursor_ + i]);
  }
  if (available < 5 + size_t{length}) return false;
  packet.type = static_cast<uint8_t>(received_[cursor_]);
  packet.payload.assign(received_, cursor_ + 5, length);
  cursor_ += 5 + size_t{length};
  return true;
}

StressSocket::ReadResult StressSocket::ReadPacket(Packet& packet, Clock::time_point until) {
  char chunk[65536];
  for (;;) {
    if (CutPacket(packet)) return ReadResult::kPacket;
    if (!connected()) return ReadResult::kClosed;
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n > 0) {
      received_.erase(0, cursor_);
      cursor_ = 0;
      received_.append(chunk, static_cast<size_t>(n));
      continue;
    }
    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
      closed_ = true;
      return ReadResult::kClosed;
    }
    if (!WaitFor(POLLIN, until)) return ReadResult::kTimeout;
  }
}

size_t StressSocket::Drain() {
  char chunk[65536];
  size_t dropped = 0;
  while (connected()) {
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n > 0) {
      dropped += static_cast<size_t>(n);
      continue;
    }
    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) closed_ = true;
    break;
  }
  return dropped;
}

void StressSocket::Abort() {
  if (fd_ < 0) return;
  linger reset{1, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace orlund::stress
