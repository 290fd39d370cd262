#include "tools/cli_commands.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <sstream>
#include <thread>

#include "protocol/catalogue.h"
#include "protocol/messages.h"
#include "testing/harness.h"
#include "tools/cli_error.h"

namespace orlund {
namespace {

using FakePeer = testing::LoopbackPeer;

// The four start packets: version 4, a project path, no INI sections, user
// level 32767.
void SendStart(FakePeer& peer) {
  peer.Send(1, Encode(ProtocolVersion{4}));
  peer.Send(2, Encode(ProjectPath{"/srv/project/"}));
  peer.Send(3, Encode(IniParameters{}));
  peer.Send(7, Encode(UserLevel{32767}));
}

// Waits for the client to close, so the server side never closes first.
void WaitForClientClose(FakePeer& peer) {
  while (peer.Read()) {
  }
}

// A server on 127.0.0.1 that accepts one connection and runs a script
// against it on its own thread. Every wait is bounded, so a broken test fails
// instead of hanging.
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
    int fd = testing::BoundSocket(port);
    listen(fd, 4);
    return fd;
  }

  int port_ = 0;
  int listen_fd_;
  std::thread thread_;
};

using testing::CliResult;

CliResult RunAgainst(int port, std::vector<std::string> args, int interrupt_fd = -1) {
  args.insert(args.begin(), {"--port", std::to_string(port), "--timeout", "0.5"});
  std::ostringstream out, err;
  const int status = RunCli(ParseCliArguments(args), out, err, interrupt_fd);
  return {status, out.str(), err.str()};
}

TEST(CliErrorExits, EachFailureHasItsExitCode) {
  // A bound socket that does not listen holds a port nobody answers on.
  int port = 0;
  const int fd = testing::BoundSocket(port);
  const CliResult unreachable = RunAgainst(port, {"receivers"});
  close(fd);
  EXPECT_EQ(unreachable.status, kExitUnreachable);
  EXPECT_NE(unreachable.err.find("cannot connect to 127.0.0.1:"), std::string::npos);

  struct Case {
    std::function<void(FakePeer&)> script;
    int status;
    std::string message;
  };
  const std::vector<Case> cases = {
      {[](FakePeer&) {}, kExitRefused, "without sending the start packets"},
      {[](FakePeer& peer) {
         SendStart(peer);
         peer.ReadType(NETWORK_COMMON_RECEIVERS);
       },
       kExitClosed, "closed the connection"},
      {[](FakePeer& peer) {
         SendStart(peer);
         WaitForClientClose(peer);
       },
       kExitNoAnswer, "no answer from the server within"},
      {[](FakePeer& peer) {
         SendStart(peer);
         peer.ReadType(NETWORK_COMMON_RECEIVERS);
         peer.Send(NETWORK_COMMON_RECEIVERS, EncodeInt16(2) + EncodeString("only one"));
         WaitForClientClose(peer);
       },
       kExitProtocol, ""},
  };
  for (const Case& c : cases) {
    FakeServer server(c.script);
    const CliResult run = RunAgainst(server.port(), {"receivers"});
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
}

TEST(CliSession, ReceiverUpdateWithoutEchoFails) {
  FakeServer server([](FakePeer& peer) {
    SendStart(peer);
    peer.ReadType(NETWORK_COMMON_RECEIVERS);
    peer.Send(NETWORK_RECEIVER_REMOVE, Encode(ReceiverRemove{"pushed"}));  // skipped
    peer.Send(NETWORK_COMMON_RECEIVERS, Encode(ReceiversAnswer{}));
    peer.ReadType(NETWORK_COMMON_RECEIVERTYPES);  // table full: no echo, just the answer
    peer.Send(NETWORK_COMMON_RECEIVERTYPES, Encode(ReceiverTypesAnswer{}));
    WaitForClientClose(peer);
  });
  const CliResult run = RunAgainst(server.port(), {"set-receiver", "Anna", "--type", "2"});
  EXPECT_EQ(run.status, kExitFailed);
  EXPECT_NE(run.err.find("receiver table is full"), std::string::npos);
}

// Without a holiday file the server does not answer request 140; the
// answer to the request sent after it tells so at once, well within the
// half second RunAgainst allows.
TEST(CliSession, HolidaysWithoutAHolidayFileAnswerAtOnce) {
  FakeServer server([](FakePeer& peer) {
    SendStart(peer);
    peer.ReadType(NETWORK_HOLIDAYLABELS);
    peer.ReadType(NETWORK_DAYTYPENAMES);
    peer.Send(NETWORK_DAYTYPENAMES, Encode(DayTypeNamesAnswer{}));
    WaitForClientClose(peer);
  });
  const CliResult run = RunAgainst(server.port(), {"holidays"});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, "No holiday labels.\n");
}

TEST(CliWatch, PrintsPushedPacketsUntilInterrupted) {
  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);
  ReceiverEntry entry;
  entry.Name = "Anna";
  entry.ReceiverTypeNumber = 2;
  FakeServer server([&](FakePeer& peer) {
    SendStart(peer);
    peer.Send(NETWORK_RECEIVER_UPDATE, Encode(entry));
    peer.Send(NETWORK_RECEIVER_REMOVE, Encode(ReceiverRemove{"Bert"}));
    peer.Send(200, "\x01\x02");
    peer.Send(NETWORK_COMMON_KEEPALIVE);
    // The keep-alive is answered; the answer shows that everything before it
    // was printed.
    if (peer.ReadType(NETWORK_COMMON_KEEPALIVE)) {
      [[maybe_unused]] auto n = write(pipe_fds[1], "x", 1);
    }
    WaitForClientClose(peer);
  });
  const CliResult run = RunAgainst(server.port(), {"watch", "--json"}, pipe_fds[0]);
  close(pipe_fds[0]);
  close(pipe_fds[1]);
  EXPECT_EQ(run.status, kExitOk) << run.err;
  std::istringstream lines(run.out);
  std::vector<Json> packets;
  for (std::string line; std::getline(lines, line);) packets.push_back(Json::parse(line));
  ASSERT_EQ(packets.size(), 3u) << run.out;
  EXPECT_EQ(packets[0]["receiver"]["name"], "Anna");
  EXPECT_EQ(packets[0]["receiver"]["type"], 2);
  EXPECT_EQ(packets[1]["receiver_name"], "Bert");
  EXPECT_EQ(packets[2]["payload_hex"], "0102");
}

}  // namespace
}  // namespace orlund
