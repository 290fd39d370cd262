#include "server/connection_request.h"

#include <gtest/gtest.h>

#include "testing/fake_transport.h"

namespace orlund {
namespace {

struct AdmissionServer : TestServer {
  AdmissionServer() {
    texts = FixedTexts{{{879, "Admitted:"}, {880, "Too many:"}, {881, "Not allowed:"}}};
  }

  // Runs a connection request; the transport handed out is kept at hand.
  std::shared_ptr<cClientConnection> Request(const std::string& address, int32_t port = 4000) {
    last = nullptr;
    return OnConnectionRequest(state, address, port, [&] {
      auto transport = std::make_unique<FakeTransport>(address, port);
      last = transport.get();
      return transport;
    });
  }

  FakeTransport* last = nullptr;
};

TEST(ConnectionRequestTest, AdmittedPeerGetsStartPacketsThenJoins) {
  AdmissionServer server;
  server.Join("10.0.0.1");
  auto connection = server.Request("10.0.0.5", 1234);
  ASSERT_NE(connection, nullptr);
  ASSERT_NE(server.last, nullptr);
  EXPECT_EQ(server.last->written.size(), 4u);
  ASSERT_EQ(server.state.ClientConnections.size(), 2u);
  EXPECT_EQ(server.state.ClientConnections.back(), connection);
  EXPECT_EQ(server.state.List_Packets.lines().front(),
            "24-03-05 14:07:09 <> 10.0.0.5:1234 (client connected)");
  EXPECT_EQ(server.log.lines, std::vector<std::string>{"Admitted: 10.0.0.5"});

  server.state.settings.AllowedActiveXClientAddresses = "10.0.0.5,,10.0.0.6";
  EXPECT_EQ(server.Request("10.0.0.6"), nullptr);
  EXPECT_EQ(server.last, nullptr);  // refused before a socket was made for it
  EXPECT_EQ(server.log.lines.back(), "Not allowed: 10.0.0.6");
  EXPECT_EQ(server.state.ClientConnections.size(), 2u);
}

TEST(ConnectionRequestTest, HundredAndFirstIsRefusedUntilAMemberLeaves) {
  AdmissionServer server;
  for (int i = 0; i < 100; ++i) ASSERT_NE(server.Request("127.0.0.1", 5000 + i), nullptr);
  EXPECT_EQ(server.Request("127.0.0.1", 6000), nullptr);
  EXPECT_EQ(server.last, nullptr);
  EXPECT_EQ(server.log.lines.back(), "Too many: 127.0.0.1");

  // A member whose socket closed makes room at once, without waiting for
  // the timer's sweep: clients that connect and close cannot lock others out.
  server.state.ClientConnections.front()->objWinSock->Close();
  EXPECT_NE(server.Request("127.0.0.1", 6001), nullptr);
  EXPECT_EQ(server.state.ClientConnections.size(), 100u);
  EXPECT_EQ(server.Request("127.0.0.1", 6002), nullptr);
}

}  // namespace
}  // namespace orlund
