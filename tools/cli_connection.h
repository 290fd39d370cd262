#pragma once
// A blocking TCP client for one server connection. Every wait is bounded by
// the time limit given at construction: connecting, sending and each awaited
// packet. Failures are raised as CliError with the exit status that names
// them: unreachable, not admitted, closed, no answer, malformed packet.
// Keep-alives (type 0) are answered with a keep-alive and never returned, so
// the server does not drop a quiet client.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/framing.h"

namespace orlund {

// "host:port", an IPv6 address in brackets: "[::1]:58658".
std::string HostPort(const std::string& host, int port);

struct CliPacket {
  int type = 0;
  std::string payload;
};

class CliConnection {
 public:
  explicit CliConnection(std::chrono::milliseconds time_limit) : time_limit_(time_limit) {}
  ~CliConnection();
  CliConnection(const CliConnection&) = delete;
  CliConnection& operator=(const CliConnection&) = delete;

  // Resolves `host` and connects to `port`, trying each address in turn.
  // kExitUnreachable when none accepts within the time limit.
  void Connect(const std::string& host, int port);

  // Uses a duplicate of `fd`, a non-blocking socket already connected to a
  // server (one in the same process, for tests), in place of Connect. The
  // caller keeps `fd`.
  void UseConnected(int fd);

  // Sends one packet. kExitClosed when the connection is gone.
  void Send(int type, std::string_view payload);

  // The next packet that is not a keep-alive. `awaiting` names what is
  // expected, for the error text. kExitClosed or kExitNoAnswer.
  CliPacket Read(std::string_view awaiting);

  // The next packet of `type`; packets of other types that arrive first
  // (broadcasts of other clients' changes) are skipped.
  std::string Await(int type);

  // Like Read, without a time limit, until `interrupt_fd` becomes readable;
  // nothing then. kExitClosed when the server closes the connection.
  std::optional<CliPacket> ReadUntil(int interrupt_fd);

  // Turns on TCP keep-alive probes, so a long wait notices a peer that
  // vanished without closing the connection.
  void EnableKeepAliveProbes();

  // "N s" for the time limit, e.g. "5 s" or "0.5 s".
  std::string TimeLimitText() const;

 private:
  enum class Wait { kReady, kTimedOut, kInterrupted };
  // Polls the socket for `events` (and `interrupt_fd` for input) until the
  // deadline; a negative deadline count waits without limit.
  Wait PollSocket(short events, std::chrono::steady_clock::time_point deadline, bool limited,
                  int interrupt_fd);
  // Cuts the next whole packet from the framer, replying to keep-alives.
  std::optional<CliPacket> NextBuffered();
  // One recv into the framer; false when the peer closed the connection.
  bool Receive();
  [[noreturn]] void RaiseClosed(std::string_view awaiting) const;

  std::chrono::milliseconds time_limit_;
  int fd_ = -1;
  PacketFramer framer_;
};

}  // namespace orlund
