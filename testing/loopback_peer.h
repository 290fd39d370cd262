#pragma once
// A blocking packet peer on 127.0.0.1: the client end of a connection to a
// server under test, or the accepted end a fake server talks through. Every
// wait has a time limit, so a broken test fails instead of hanging.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "protocol/framing.h"

namespace orlund::testing {

using std::chrono::milliseconds;

struct Packet {
  int type = -1;
  std::string payload;
};

inline sockaddr_in Loopback(int port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  return addr;
}

// The local port of socket `fd`.
inline int PortOf(int fd) {
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  return ntohs(addr.sin_port);
}

// A socket bound to a free port of 127.0.0.1 (not listening); its port.
inline int BoundSocket(int& port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr = Loopback(0);
  bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  port = PortOf(fd);
  return fd;
}

// A port on 127.0.0.1 that was free a moment ago.
inline int FreePort() {
  int port = 0;
  close(BoundSocket(port));
  return port;
}

class LoopbackPeer {
 public:
  // An accepted socket to take over.
  struct Socket {
    int fd;
  };

  explicit LoopbackPeer(int port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in addr = Loopback(port);
    connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  }
  explicit LoopbackPeer(Socket accepted) : fd_(accepted.fd) {}
  ~LoopbackPeer() { close(fd_); }
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  void SendRaw(const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
      ssize_t n = send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (n <= 0) return;
      done += static_cast<size_t>(n);
    }
  }
  void Send(int type, const std::string& payload = "") { SendRaw(EncodePacket(type, payload)); }
  int LocalPort() const { return PortOf(fd_); }

  // The next packet, or nothing when none arrives within `limit` or the
  // other end closed the connection.
  std::optional<Packet> Read(milliseconds limit = milliseconds(3000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (Frame frame;;) {
      if (framer_.Next(frame) == FrameStatus::kPacket) {
        return Packet{frame.type, std::string(frame.payload)};
      }
      if (!Fill(end)) return std::nullopt;
    }
  }

  // The next packet that is not a keep-alive.
  std::optional<Packet> ReadSkippingKeepAlives(milliseconds limit = milliseconds(3000)) {
    return ReadType(-1, limit);
  }

  // The next packet of `type` (-1: of any type but a keep-alive), skipping others.
  std::optional<Packet> ReadType(int type, milliseconds limit = milliseconds(5000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
      auto left = std::chrono::duration_cast<milliseconds>(end - std::chrono::steady_clock::now());
      auto p = left.count() > 0 ? Read(left) : std::nullopt;
      if (!p || p->type == type || (type == -1 && p->type != 0)) return p;
    }
  }

  // The four start packets of a server (types 1, 2, 3, 7), as many as came.
  std::vector<Packet> ReadStartPackets() {
    std::vector<Packet> out;
    for (auto p = ReadSkippingKeepAlives(); p;
         p = out.size() < 4 ? ReadSkippingKeepAlives() : std::nullopt) {
      out.push_back(std::move(*p));
    }
    return out;
  }

 private:
  bool Fill(std::chrono::steady_clock::time_point end) {
    auto left = std::chrono::duration_cast<milliseconds>(end - std::chrono::steady_clock::now());
    pollfd p{fd_, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    char chunk[65536];
    ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    framer_.Feed(std::string_view(chunk, static_cast<size_t>(n)));
    return true;
  }

  int fd_ = -1;
  PacketFramer framer_;
};

}  // namespace orlund::testing
