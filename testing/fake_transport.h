#pragma once
// An in-memory client socket for tests: records what the server writes.

#include <memory>
#include <string>
#include <vector>

#include "protocol/client_connection.h"
#include "protocol/server_state.h"

namespace orlund {

class FakeTransport : public Transport {
 public:
  explicit FakeTransport(std::string address = "10.0.0.5", int32_t port = 1234)
      : address_(std::move(address)), port_(port) {}
  bool IsConnected() const override { return connected; }
  void Write(std::string packet) override { written.push_back(std::move(packet)); }
  void Close() override { connected = false; }
  const std::string& PeerAddress() const override { return address_; }
  int32_t PeerPort() const override { return port_; }

  bool connected = true;
  std::vector<std::string> written;  // framed packets, in order

 private:
  std::string address_;
  int32_t port_;
};

// A connection over a FakeTransport, with the transport kept at hand.
struct FakeClient {
  FakeTransport* transport;
  std::shared_ptr<cClientConnection> connection;
};

inline FakeClient MakeFakeClient(std::string address = "10.0.0.5", int32_t port = 1234) {
  auto transport = std::make_unique<FakeTransport>(std::move(address), port);
  FakeTransport* raw = transport.get();
  return {raw, std::make_shared<cClientConnection>(std::move(transport),
                                                   std::chrono::steady_clock::now())};
}

// A server state over recording services, with a fixed clock.
struct TestServer {
  FixedTexts texts{{{882, "Socket closed"}, {883, "Socket error"}}};
  RecordingLog log;
  RecordingAlarmLink alarm;
  ServerState state{texts, log, alarm};

  TestServer() {
    state.ProjectDirectory = "/nonexistent/project/";
    state.clock.local_now = [] {
      std::tm t{};
      t.tm_year = 124;
      t.tm_mon = 2;
      t.tm_mday = 5;
      t.tm_hour = 14;
      t.tm_min = 7;
      t.tm_sec = 9;
      return t;
    };
  }

  FakeClient Join(std::string address = "10.0.0.5", int32_t port = 1234) {
    FakeClient c = MakeFakeClient(std::move(address), port);
    state.ClientConnections.push_back(c.connection);
    return c;
  }
};

}  // namespace orlund
