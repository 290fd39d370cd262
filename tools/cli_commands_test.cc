#include "tools/cli_commands.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "protocol/catalogue.h"
#include "tools/cli_error.h"
#include "tools/cli_fake_server.h"

namespace orlund {
namespace {

using testing::FakePeer;
using testing::FakeServer;
using testing::SendStart;
using testing::WaitForClientClose;

struct CliRun {
  int status;
  std::string out;
  std::string err;
};

CliRun RunAgainst(int port, std::vector<std::string> args, int interrupt_fd = -1) {
  args.insert(args.begin(), {"--port", std::to_string(port), "--timeout", "0.5"});
  std::ostringstream out, err;
  const int status = RunCli(ParseCliArguments(args), out, err, interrupt_fd);
  return {status, out.str(), err.str()};
}

TEST(CliErrorExits, EachFailureHasItsExitCode) {
  // A bound socket that does not listen holds a port nobody answers on.
  int port = 0;
  const int fd = testing::BoundSocket(port);
  const CliRun unreachable = RunAgainst(port, {"receivers"});
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
    const CliRun run = RunAgainst(server.port(), {"receivers"});
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
  const CliRun run = RunAgainst(server.port(), {"set-receiver", "Anna", "--type", "2"});
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
  const CliRun run = RunAgainst(server.port(), {"holidays"});
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
  const CliRun run = RunAgainst(server.port(), {"watch", "--json"}, pipe_fds[0]);
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
