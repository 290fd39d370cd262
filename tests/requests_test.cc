// Receiver requests of two clients against the real server over loopback, each
// answer checked byte for byte. The rules of each request are tested in its
// handler's unit test, their saves in the timer's and at the stop in
// server_test.cc; logins, profiles, the calendar family, messages and commands
// end to end in the orlund-cli tests.

#include <gtest/gtest.h>

#include "protocol/messages.h"
#include "testing/harness.h"

namespace orlund::testing {
namespace {

// The whole next packet (keep-alives skipped), framed as it came.
std::string Next(Client& client) {
  auto packet = client.ReadSkippingKeepAlives();
  return packet ? EncodePacket(packet->type, packet->payload) : "<nothing>";
}

TEST(RequestsTest, ReceiversAreSharedWithEveryClient) {
  // A long keep-alive interval: clients that only listen are not dropped.
  Project project("ActiveXKeepAliveInterval=60000\n");
  auto server = project.Start();
  Client sender(project.port);
  Client other(project.port);
  ASSERT_EQ(sender.ReadStartPackets().size(), 4u);
  ASSERT_EQ(other.ReadStartPackets().size(), 4u);

  sender.Send(4, "ignored");
  EXPECT_EQ(Next(sender), Bytes({4, 0, 0, 0, 2, 0, 0}));
  const std::string entry =
      Encode(ReceiverEntry{"Front Door", -1, 12, 3, "ground floor", {"1", "x", "", "2.5"}});
  sender.Send(100, entry);
  EXPECT_EQ(Next(sender), EncodePacket(100, entry));
  EXPECT_EQ(Next(other), EncodePacket(100, entry));
  other.Send(5);
  EXPECT_EQ(Next(other), EncodePacket(5, EncodeInt16(1) + entry));
  other.Send(101, EncodeString("No Such Receiver"));
  EXPECT_EQ(Next(sender), EncodePacket(101, EncodeString("No Such Receiver")));
}

}  // namespace
}  // namespace orlund::testing
