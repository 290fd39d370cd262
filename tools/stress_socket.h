#pragma once
// The client end of one connection of orlund-stress to a server on
// 127.0.0.1: non-blocking underneath, every wait bounded by a deadline, so a
// client thread of the stress tool always comes back to check its own end.

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace orlund::stress {

using Clock = std::chrono::steady_clock;

struct Packet {
  int type = -1;
  std::string payload;
};

class StressSocket {
 public:
  // Connects to 127.0.0.1:`port` within `limit`; connected() tells whether
  // it did. A `receive_buffer` above 0 sets the socket's receive buffer
  // first, so that a client that does not read holds up the server sooner.
  StressSocket(int port, Clock::duration limit, int receive_buffer = 0);
  ~StressSocket();
  StressSocket(const StressSocket&) = delete;
  StressSocket& operator=(const StressSocket&) = delete;

  bool connected() const { return fd_ >= 0 && !closed_; }
  // The server closed the connection (or reset it), as far as seen.
  bool closed() const { return closed_; }

  // Sends all of `bytes` by `until`; false when the time ran out or the
  // connection failed.
  bool SendAll(std::string_view bytes, Clock::time_point until);
  // Sends what the socket takes at once; the bytes taken, or -1 when the
  // connection failed.
  ssize_t SendNow(std::string_view bytes);

  enum class ReadResult { kPacket, kTimeout, kClosed };
  // The next whole packet by `until`.
  ReadResult ReadPacket(Packet& packet, Clock::time_point until);
  // Reads and drops what has arrived, without waiting; the bytes dropped.
  size_t Drain();

  // Closes with a reset instead of the orderly end.
  void Abort();

 private:
  bool WaitFor(short events, Clock::time_point until);
  // Cuts the next whole packet off the received bytes. Unlike the server's
  // framing it takes any length: a server's answer has no limit.
  bool CutPacket(Packet& packet);

  int fd_ = -1;
  bool closed_ = false;
  std::string received_;
  size_t cursor_ = 0;  // first byte of received_ not yet cut
};

}  // namespace orlund::stress
