#pragma once
// The fastest request-answer server this machine can run, for benchmarks to
// measure the server against: one thread in a process of its own, as the
// server has, epoll, one receive and one send per request, the same
// framing. In request mode every whole packet is answered with `answer`; in
// fan-out mode every packet is sent, as it came, to every connection. A
// thread of the benchmark's own process would switch to and from the load's
// threads more cheaply than another process can, and so be measured against
// a machine the server does not get.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orlund {

// Cuts whole packets off the front of `buffer` from `offset` on; calls
// take(type, packet bytes) for each and returns the new offset.
template <typename Take>
size_t CutPackets(const std::string& buffer, size_t offset, Take take) {
  while (buffer.size() - offset >= 5) {
    uint32_t length = 0;
    for (size_t i = 1; i <= 4; ++i) length = length << 8 | static_cast<uint8_t>(buffer[offset + i]);
    if (buffer.size() - offset - 5 < length) break;
    take(static_cast<uint8_t>(buffer[offset]), std::string_view(buffer).substr(offset, 5 + length));
    offset += 5 + length;
  }
  return offset;
}

class EchoServer {
 public:
  // Listens on a free port of 127.0.0.1 and starts the child process, which
  // ends with this object or with this program, however it ends. Throws
  // std::runtime_error when it cannot.
  EchoServer(std::string answer, bool fan_out);
  ~EchoServer();
  EchoServer(const EchoServer&) = delete;
  EchoServer& operator=(const EchoServer&) = delete;

  int port() const { return port_; }
  pid_t pid() const { return pid_; }

 private:
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace orlund
