#pragma once
// In-memory clients for tests: a socket that records what the server writes,
// a server state over recording services with a fixed clock, and helpers that
// run a request through the dispatcher and take what a client was sent.

#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/client_connection.h"
#include "protocol/dispatcher.h"
#include "protocol/framing.h"
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

// A connection over a FakeTransport (or a transport derived from it), with
// the transport kept at hand.
template <typename T = FakeTransport>
struct TestClient {
  T* transport;
  std::shared_ptr<cClientConnection> connection;
};
using FakeClient = TestClient<>;

template <typename T = FakeTransport>
TestClient<T> MakeFakeClient(std::string address = "10.0.0.5", int32_t port = 1234,
                             Transport::TimePoint now = std::chrono::steady_clock::now()) {
  auto transport = std::make_unique<T>(std::move(address), port);
  T* raw = transport.get();
  return {raw, std::make_shared<cClientConnection>(std::move(transport), now)};
}

// A local date and time from its parts.
inline std::tm LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

// A server state over recording services; its clock reads 2024-03-05 14:07:09.
struct TestServer {
  FixedTexts texts{{{882, "Socket closed"}, {883, "Socket error"}}};
  RecordingLog log;
  RecordingAlarmLink alarm;
  ServerState state{texts, log, alarm};

  TestServer() {
    state.ProjectDirectory = "/nonexistent/project/";
    state.clock.local_now = [] { return LocalTime(2024, 3, 5, 14, 7, 9); };
  }

  FakeClient Join(std::string address = "10.0.0.5", int32_t port = 1234) {
    FakeClient c = MakeFakeClient(std::move(address), port);
    state.ClientConnections.push_back(c.connection);
    return c;
  }
};

// Background jobs held back until the test runs them, as a writer thread
// busy with other work would hold them. Must outlive the requests it serves.
struct HeldJobs {
  explicit HeldJobs(ServerState& state) {
    state.run_in_background = [this](BackgroundJob job) { jobs.push_back(std::move(job)); };
  }
  // Runs the jobs held now, each with its completion, in order; what they
  // hand over in turn is held.
  void RunAll() {
    std::vector<BackgroundJob> now = std::move(jobs);
    jobs.clear();
    for (BackgroundJob& job : now) job()();
  }
  std::vector<BackgroundJob> jobs;
};

inline void Request(TestServer& server, const FakeClient& client, int type,
                    std::string_view payload = {}) {
  Dispatch(server.state, *client.connection, type, payload);
}

// The packets written to the client since the last call, one after another.
template <typename T>
std::string Sent(const TestClient<T>& client) {
  std::string all;
  for (const std::string& packet : client.transport->written) all += packet;
  client.transport->written.clear();
  return all;
}

}  // namespace orlund
