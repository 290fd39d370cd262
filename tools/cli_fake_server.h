#pragma once
// Test double for the client's unit tests: a server on 127.0.0.1 that
// accepts one connection and runs a script against it on its own thread.
// Every wait is bounded, so a broken test fails instead of hanging.

#include <functional>
#include <thread>

#include "protocol/messages.h"
#include "testing/loopback_peer.h"

namespace orlund::testing {

using FakePeer = LoopbackPeer;

// The four start packets: version 4, a project path, no INI sections, the
// given user level.
inline void SendStart(FakePeer& peer, int32_t level = 32767) {
  peer.Send(1, Encode(ProtocolVersion{4}));
  peer.Send(2, Encode(ProjectPath{"/srv/project/"}));
  peer.Send(3, Encode(IniParameters{}));
  peer.Send(7, Encode(UserLevel{level}));
}

// Waits for the client to close, so the server side never closes first.
inline void WaitForClientClose(FakePeer& peer) {
  while (peer.Read()) {
  }
}

class FakeServer {
 public:
  explicit FakeServer(std::function<void(FakePeer&)> script)
      : listen_fd_(Listening(port_)), thread_([this, script = std::move(script)] {
          pollfd p{listen_fd_, POLLIN, 0};
          if (poll(&p, 1, 5000) <= 0) return;
          FakePeer peer(FakePeer::Socket{accept(listen_fd_, nullptr, nullptr)});
          script(peer);
        }) {}
  ~FakeServer() {
    thread_.join();
    close(listen_fd_);
  }
  int port() const { return port_; }

 private:
  static int Listening(int& port) {
    int fd = BoundSocket(port);
    listen(fd, 4);
    return fd;
  }

  int port_ = 0;
  int listen_fd_;
  std::thread thread_;
};

}  // namespace orlund::testing
