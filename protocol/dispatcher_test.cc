#include "protocol/dispatcher.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "protocol/catalogue.h"
#include "protocol/codec.h"
#include "protocol/framing.h"
#include "protocol/messages.h"
#include "protocol/sending.h"
#include "testing/fake_transport.h"
#include "testing/timed_transport.h"

namespace orlund {
namespace {

TEST(SendPacketTest, ScopesReachTheRightMembersAndLogEachCopy) {
  TestServer server;
  FakeClient a = server.Join("10.0.0.1");
  FakeClient b = server.Join("10.0.0.2");
  FakeClient c = server.Join("10.0.0.3");
  SendPacket(server.state, ToAllOthers, *a.connection, NETWORK_RECEIVER_REMOVE, EncodeString("x"));
  EXPECT_TRUE(a.transport->written.empty());
  EXPECT_EQ(b.transport->written.size(), 1u);
  EXPECT_EQ(c.transport->written.size(), 1u);
  ASSERT_EQ(server.state.List_Packets.lines().size(), 2u);
  EXPECT_EQ(server.state.List_Packets.lines()[0],
            "24-03-05 14:07:09 -> 10.0.0.2:1234 NETWORK_RECEIVER_REMOVE (3 bytes)");

  SendPacket(server.state, ToAll, *a.connection, NETWORK_RECEIVER_UPDATE, "p");
  EXPECT_EQ(a.transport->written.size(), 1u);
  EXPECT_EQ(b.transport->written.back(), EncodePacket(NETWORK_RECEIVER_UPDATE, "p"));

  // Any scope other than 2 and 3 is ToClient.
  SendPacket(server.state, 7, *c.connection, NETWORK_COMMON_RECEIVERS, "");
  EXPECT_EQ(c.transport->written.size(), 3u);
  EXPECT_EQ(b.transport->written.size(), 2u);
}

TEST(SendPacketTest, KeepAliveIsSentUnloggedAndClosedSocketsGetOnlyTheLine) {
  TestServer server;
  FakeClient a = server.Join();
  SendPacket(server.state, ToClient, *a.connection, NETWORK_COMMON_KEEPALIVE, "");
  EXPECT_EQ(a.transport->written.back(), std::string(5, '\0'));
  EXPECT_TRUE(server.state.List_Packets.lines().empty());

  a.transport->connected = false;
  SendPacket(server.state, ToClient, *a.connection, NETWORK_COMMON_RECEIVERS, "");
  EXPECT_EQ(a.transport->written.size(), 1u);
  EXPECT_EQ(server.state.List_Packets.lines().size(), 1u);
}

TEST(ReceiveTest, FramesAcrossReadsAndLogsUnknownTypes) {
  TestServer server;
  FakeClient a = server.Join();
  std::string packet = EncodePacket(200, "");
  std::string two = EncodePacket(77, "") + EncodePacket(NETWORK_COMMON_USERLEVEL, "abcd");
  OnDataArrival(server.state, *a.connection, packet.substr(0, 3));
  EXPECT_TRUE(server.state.List_Packets.lines().empty());
  OnDataArrival(server.state, *a.connection, packet.substr(3) + two);
  ASSERT_EQ(server.state.List_Packets.lines().size(), 3u);
  EXPECT_EQ(server.state.List_Packets.lines()[0],
            "24-03-05 14:07:09 <- 10.0.0.5:1234 UNKNOWN (200)");
  EXPECT_EQ(server.state.List_Packets.lines()[1],
            "24-03-05 14:07:09 <- 10.0.0.5:1234 UNKNOWN (77)");
  EXPECT_EQ(server.state.List_Packets.lines()[2],
            "24-03-05 14:07:09 <- 10.0.0.5:1234 NETWORK_COMMON_USERLEVEL (4 bytes)");
  EXPECT_TRUE(a.transport->written.empty());
}

TEST(ReceiveTest, OversizedPacketIsASocketErrorOfThatConnectionOnly) {
  TestServer server;
  FakeClient a = server.Join("10.0.0.1");
  FakeClient b = server.Join("10.0.0.2");
  std::string header("\x05\x00\x10\x00\x01", 5);  // 1 MiB + 1
  OnDataArrival(server.state, *a.connection, header);
  EXPECT_FALSE(a.transport->connected);
  EXPECT_TRUE(b.transport->connected);
  ASSERT_EQ(server.log.lines.size(), 1u);
  EXPECT_EQ(server.log.lines[0],
            "Socket error 10.0.0.1(declared packet length 1048577 exceeds 1048576)");
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
  EXPECT_EQ(server.state.List_Packets.lines().back(),
            "24-03-05 14:07:09 <> 10.0.0.5:1234 (socket closed)");
  EXPECT_EQ(server.state.ClientConnections.size(), 1u);
}

TEST(ClientConnectionTest, UserLevelOverflowLeavesTheLevel) {
  FakeClient a = MakeFakeClient();
  EXPECT_EQ(a.connection->GetUserName(), "");
  a.connection->SetUserLevel(32767);
  EXPECT_EQ(a.connection->GetUserLevel(), 32767);
  EXPECT_THROW(a.connection->SetUserLevel(40000), OverflowError);
  EXPECT_EQ(a.connection->GetUserLevel(), 32767);
}

TEST(ReceiveTest, AClientsPacketsAreHandledATurnAtATimeSoOthersGetIn) {
  TestServer server;
  auto now = std::chrono::steady_clock::now();
  // Every look at the clock finds a millisecond gone.
  server.state.clock.steady_now = [&] { return now += std::chrono::milliseconds(1); };
  const auto start = now;
  TimedClient flood = MakeTimedClient("10.0.0.1", 1, now);
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
  TimedClient client = MakeTimedClient("10.0.0.5", 1234, now);
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
