#include "protocol/dispatcher.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "base/errors.h"
#include "protocol/catalogue.h"
#include "protocol/messages.h"
#include "protocol/sending.h"
#include "testing/fake_transport.h"
#include "testing/timed_transport.h"

namespace orlund {
namespace {

std::vector<std::string> ListLines(const TestServer& server) {
  const auto& lines = server.state.List_Packets.lines();
  return {lines.begin(), lines.end()};
}

TEST(SendPacketTest, ScopesReachTheRightMembersAndLogEachCopy) {
  TestServer server;
  FakeClient a = server.Join("10.0.0.1");
  FakeClient b = server.Join("10.0.0.2");
  FakeClient c = server.Join("10.0.0.3");
  SendPacket(server.state, ToAllOthers, *a.connection, NETWORK_RECEIVER_REMOVE, EncodeString("x"));
  EXPECT_EQ(Sent(a) + Sent(b), EncodePacket(NETWORK_RECEIVER_REMOVE, EncodeString("x")));
  EXPECT_EQ(Sent(c), EncodePacket(NETWORK_RECEIVER_REMOVE, EncodeString("x")));
  EXPECT_EQ(ListLines(server),
            (std::vector<std::string>{
                "24-03-05 14:07:09 -> 10.0.0.2:1234 NETWORK_RECEIVER_REMOVE (3 bytes)",
                "24-03-05 14:07:09 -> 10.0.0.3:1234 NETWORK_RECEIVER_REMOVE (3 bytes)"}));

  SendPacket(server.state, ToAll, *a.connection, NETWORK_RECEIVER_UPDATE, "p");
  const std::string update = EncodePacket(NETWORK_RECEIVER_UPDATE, "p");
  EXPECT_EQ(Sent(a) + Sent(b) + Sent(c), update + update + update);
  SendPacket(server.state, 7, *c.connection, NETWORK_COMMON_RECEIVERS, "");  // 7: ToClient
  EXPECT_EQ(Sent(a) + Sent(b) + Sent(c), EncodePacket(NETWORK_COMMON_RECEIVERS, ""));

  // A keep-alive is sent but not listed; a closed socket gets only the line.
  SendPacket(server.state, ToClient, *a.connection, NETWORK_COMMON_KEEPALIVE, "");
  EXPECT_EQ(Sent(a), std::string(5, '\0'));
  EXPECT_EQ(ListLines(server).size(), 6u);
  a.transport->connected = false;
  SendPacket(server.state, ToClient, *a.connection, NETWORK_COMMON_RECEIVERS, "");
  EXPECT_EQ(Sent(a), "");
  EXPECT_EQ(ListLines(server).size(), 7u);
}

TEST(ReceiveTest, FramesAcrossReadsAndLogsUnknownTypes) {
  TestServer server;
  FakeClient a = server.Join();
  std::string packet = EncodePacket(200, "");
  OnDataArrival(server.state, *a.connection, packet.substr(0, 3));
  EXPECT_TRUE(ListLines(server).empty());
  OnDataArrival(server.state, *a.connection,
                packet.substr(3) + EncodePacket(NETWORK_COMMON_USERLEVEL, "abcd"));
  EXPECT_EQ(ListLines(server),
            (std::vector<std::string>{
                "24-03-05 14:07:09 <- 10.0.0.5:1234 UNKNOWN (200)",
                "24-03-05 14:07:09 <- 10.0.0.5:1234 NETWORK_COMMON_USERLEVEL (4 bytes)"}));
  EXPECT_EQ(Sent(a), "");  // neither is answered
}

// A failed send closes a socket in the middle of a burst; the packets that
// arrived with it are still handled for everyone else.
TEST(ReceiveTest, BurstIsHandledWholeWhenItsConnectionClosesOnTheWay) {
  struct ClosingTransport : FakeTransport {
    using FakeTransport::FakeTransport;
    void Write(std::string packet) override {
      FakeTransport::Write(std::move(packet));
      connected = false;
    }
  };
  TestServer server;
  auto a = MakeFakeClient<ClosingTransport>();
  server.state.ClientConnections.push_back(a.connection);
  FakeClient b = server.Join("10.0.0.2");
  const std::string x = Encode(ReceiverEntry{"X", 0, 0, 1, "", {}});
  const std::string y = Encode(ReceiverEntry{"Y", 0, 0, 1, "", {}});
  OnDataArrival(server.state, *a.connection,
                EncodePacket(100, x) + EncodePacket(100, y) + EncodePacket(5, ""));
  EXPECT_FALSE(a.connection->IsConnected());
  EXPECT_EQ(Sent(a), EncodePacket(100, x));
  EXPECT_EQ(Sent(b), EncodePacket(100, x) + EncodePacket(100, y));
  EXPECT_EQ(server.state.data.receivers.ReceiverCount, 2);
}

// Any other error of one request is listed; the next request is handled.
TEST(ReceiveTest, ErrorOfOneRequestIsListedAndTheNextIsHandled) {
  struct DownLink : RecordingAlarmLink {
    int32_t SetCommandEntry(const std::string&) override { throw std::runtime_error("link down"); }
  } link;
  FixedTexts texts;
  RecordingLog log;
  ServerState state{texts, log, link};
  state.clock.local_now = [] { return LocalTime(2024, 3, 5, 14, 7, 9); };
  FakeClient a = MakeFakeClient();
  state.ClientConnections.push_back(a.connection);
  OnDataArrival(state, *a.connection,
                EncodePacket(190, EncodeString("RR")) + EncodePacket(4, "") +
                    EncodePacket(190, std::string("\0\5ab", 4)));
  EXPECT_EQ(state.List_Packets.lines()[1],
            "10.0.0.5:1234 NETWORK_SUBMIT_COMMANDENTRY dropped: link down");
  EXPECT_EQ(Sent(a), EncodePacket(4, EncodeInt16(0)));
  // A cut-short request is dropped without a line of its own.
  EXPECT_EQ(state.List_Packets.lines().size(), 5u);
}

TEST(ReceiveTest, OversizedPacketIsASocketErrorOfThatConnectionOnly) {
  TestServer server;
  FakeClient a = server.Join("10.0.0.1");
  FakeClient b = server.Join("10.0.0.2");
  OnDataArrival(server.state, *a.connection, std::string("\x05\x00\x10\x00\x01", 5));
  EXPECT_FALSE(a.transport->connected);
  EXPECT_TRUE(b.transport->connected);
  EXPECT_EQ(server.log.lines, std::vector<std::string>{"Socket error 10.0.0.1(declared packet "
                                                       "length 1048577 exceeds 1048576)"});
  // Later data on the closed connection is ignored without a second line.
  OnDataArrival(server.state, *a.connection, EncodePacket(4, ""));
  EXPECT_EQ(server.log.lines.size(), 1u);
}

TEST(ReceiveTest, CloseEventLogsAndClosesButKeepsTheMember) {
  TestServer server;
  FakeClient a = server.Join();
  OnSocketClose(server.state, *a.connection);
  EXPECT_FALSE(a.transport->connected);
  EXPECT_EQ(server.log.lines.back(), "Socket closed 10.0.0.5");
  EXPECT_EQ(ListLines(server).back(), "24-03-05 14:07:09 <> 10.0.0.5:1234 (socket closed)");
  EXPECT_EQ(server.state.ClientConnections.size(), 1u);
}

TEST(ClientConnectionTest, UserLevelOverflowLeavesTheLevel) {
  FakeClient a = MakeFakeClient();
  a.connection->SetUserLevel(32767);
  EXPECT_THROW(a.connection->SetUserLevel(40000), OverflowError);
  EXPECT_EQ(a.connection->GetUserLevel(), 32767);
}

TEST(ReceiveTest, AClientsPacketsAreHandledATurnAtATimeSoOthersGetIn) {
  TestServer server;
  auto now = std::chrono::steady_clock::now();
  // Every look at the clock finds a millisecond gone.
  server.state.clock.steady_now = [&] { return now += std::chrono::milliseconds(1); };
  const auto start = now;
  auto flood = MakeFakeClient<TimedTransport>("10.0.0.1", 1, now);
  std::string burst;
  for (int i = 0; i < 30; ++i) burst += EncodePacket(NETWORK_COMMON_RECEIVERTYPES, "");
  OnDataArrival(server.state, *flood.connection, burst);
  const size_t first_turn = flood.transport->written.size();
  EXPECT_GT(first_turn, 0u);
  EXPECT_LT(first_turn, 30u);
  // The rest is handled in later turns, each after the others had theirs.
  int turns = 1;
  for (; flood.transport->waiting && turns < 30; ++turns) flood.transport->Expire();
  EXPECT_GT(turns, 2);
  EXPECT_EQ(flood.transport->written.size(), 30u);
  // Handled late, its packets still count as the client's latest sign of life.
  EXPECT_GE(flood.connection->m_NetworkLastPacketFromClientTimeStamp - start,
            std::chrono::milliseconds(30));
}

TEST(ReceiveTest, AClientThatLeftHasItsChangesHandledButGetsNoMoreAnswers) {
  TestServer server;
  auto now = std::chrono::steady_clock::now();
  server.state.clock.steady_now = [&] { return now += std::chrono::milliseconds(1); };
  auto client = MakeFakeClient<TimedTransport>("10.0.0.5", 1234, now);
  server.state.ClientConnections.push_back(client.connection);
  std::string burst;
  for (int i = 0; i < 20; ++i) burst += EncodePacket(NETWORK_COMMON_RECEIVERTYPES, "");
  burst += EncodePacket(NETWORK_RECEIVER_UPDATE, Encode(ReceiverEntry{"Late", 0, 0, 1, "", {}}));
  OnDataArrival(server.state, *client.connection, burst);
  ASSERT_TRUE(client.transport->waiting);
  const size_t answered = client.transport->written.size();

  OnSocketClose(server.state, *client.connection);
  EXPECT_TRUE(client.transport->connected);
  while (client.transport->waiting) client.transport->Expire();
  EXPECT_EQ(server.state.data.receivers.ReceiverCount, 1);
  EXPECT_EQ(server.state.data.receivers.Receivers[0].Name, "Late");
  // Its own update comes back as to everyone; no answer went out after it left.
  ASSERT_EQ(client.transport->written.size(), answered + 1);
  EXPECT_EQ(client.transport->written.back()[0], NETWORK_RECEIVER_UPDATE);
  EXPECT_FALSE(client.transport->connected);
  EXPECT_EQ(server.log.lines.back(), "Socket closed 10.0.0.5");
}

}  // namespace
}  // namespace orlund
