#include "protocol/dispatcher.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "protocol/catalogue.h"
#include "protocol/codec.h"
#include "protocol/framing.h"
#include "protocol/sending.h"
#include "testing/fake_transport.h"

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

}  // namespace
}  // namespace orlund
