#include "tools/echo_server.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/framing.h"
#include "testing/loopback_peer.h"

namespace orlund {
namespace {

using testing::LoopbackPeer;

TEST(CutPacketsTest, TakesWholePacketsOnlyAndReadsTheLengthMostSignificantFirst) {
  const std::string large = EncodePacket(5, std::string(300, 'x'));  // length 0x012C
  const std::string bytes = EncodePacket(4, "") + large + EncodePacket(8, "ab").substr(0, 6);
  std::vector<std::pair<int, std::string>> taken;
  const size_t used = CutPackets(bytes, 0, [&](int type, std::string_view packet) {
    taken.emplace_back(type, std::string(packet));
  });
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_EQ(taken[0], std::make_pair(4, EncodePacket(4, "")));
  EXPECT_EQ(taken[1], std::make_pair(5, large));
  EXPECT_EQ(used, bytes.size() - 6);  // the cut packet waits for its last byte
  EXPECT_EQ(CutPackets(bytes, used, [](int, std::string_view) { FAIL(); }), used);
}

TEST(EchoServerTest, AnswersEveryWholePacketWithTheAnswerBytes) {
  const std::string answer = EncodePacket(4, "answer");
  EchoServer echo(answer, false);
  LoopbackPeer client(echo.port());
  const std::string request = EncodePacket(4, "");
  client.SendRaw(request + request + request.substr(0, 2));
  for (int i = 0; i < 2; ++i) {
    const auto got = client.Read();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->type, 4);
    EXPECT_EQ(got->payload, "answer");
  }
  EXPECT_FALSE(client.Read(std::chrono::milliseconds(100)));  // the half packet is not answered
  client.SendRaw(request.substr(2));
  ASSERT_TRUE(client.Read());
}

TEST(EchoServerTest, FanOutSendsEachPacketAsItCameToEveryConnection) {
  EchoServer echo("", true);
  LoopbackPeer sender(echo.port());
  LoopbackPeer other(echo.port());
  // Both are accepted once an answer reaches the sender.
  sender.Send(0);
  ASSERT_TRUE(sender.Read());
  ASSERT_TRUE(other.Read());
  sender.Send(100, "update");
  for (LoopbackPeer* peer : {&sender, &other}) {
    const auto got = peer->Read();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->type, 100);
    EXPECT_EQ(got->payload, "update");
  }
}

}  // namespace
}  // namespace orlund
