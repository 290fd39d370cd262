#pragma once
// Test double for the client's unit tests: a server on 127.0.0.1 that
// accepts one connection and runs a script against it on its own thread.
// Every wait is bounded, so a broken test fails instead of hanging.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "protocol/framing.h"
#include "protocol/messages.h"
#include "tools/cli_connection.h"

namespace orlund::testing {

class FakePeer {
 public:
  explicit FakePeer(int fd) : fd_(fd) {}
  ~FakePeer() { Close(); }

  void Send(int type, const std::string& payload = "") {
    const std::string bytes = EncodePacket(type, payload);
    send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  }

  // The four start packets: version 4, a project path, no INI sections,
  // the given user level.
  void SendStart(int32_t level = 32767) {
    Send(1, Encode(ProtocolVersion{4}));
    Send(2, Encode(ProjectPath{"/srv/project/"}));
    Send(3, Encode(IniParameters{}));
    Send(7, Encode(UserLevel{level}));
  }

  // The next packet from the client, or nothing after `limit` or a close.
  std::optional<CliPacket> Read(std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
      Frame frame;
      if (framer_.Next(frame) == FrameStatus::kPacket)
        return CliPacket{frame.type, std::string(frame.payload)};
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      pollfd p{fd_, POLLIN, 0};
      if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
        return std::nullopt;
      char chunk[4096];
      const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
      if (n <= 0) return std::nullopt;
      framer_.Feed(std::string_view(chunk, static_cast<size_t>(n)));
    }
  }

  // Reads until a packet of `type` arrives; nothing when none does.
  std::optional<CliPacket> ReadType(int type) {
    while (auto p = Read())
      if (p->type == type) return p;
    return std::nullopt;
  }

  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
  PacketFramer framer_;
};

class FakeServer {
 public:
  explicit FakeServer(std::function<void(FakePeer&)> script) {
    listen_fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    listen(listen_fd_, 4);
    thread_ = std::thread([this, script = std::move(script)] {
      pollfd p{listen_fd_, POLLIN, 0};
      if (poll(&p, 1, 5000) <= 0) return;
      FakePeer peer(accept(listen_fd_, nullptr, nullptr));
      script(peer);
    });
  }
  ~FakeServer() {
    thread_.join();
    close(listen_fd_);
  }
  int port() const { return port_; }

 private:
  int listen_fd_ = -1;
  int port_ = 0;
  std::thread thread_;
};

}  // namespace orlund::testing
