#include "protocol/framing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/codec.h"

namespace orlund {
namespace {

struct Cut {
  int type;
  std::string payload;
  bool operator==(const Cut&) const = default;
};

// Cuts every whole packet now available; the payloads are copied because they
// view the framer's buffer only until the next feed.
std::vector<Cut> Drain(PacketFramer& framer) {
  std::vector<Cut> cuts;
  for (Frame frame; framer.Next(frame) == FrameStatus::kPacket;) {
    cuts.push_back({frame.type, std::string(frame.payload)});
  }
  return cuts;
}

TEST(FramingTest, WholePacketsComeOutInOrderAndAPartialOneWaits) {
  const std::string third = EncodePacket(6, EncodeString("secret"));
  PacketFramer framer;
  framer.Feed(third.substr(0, 3));
  EXPECT_TRUE(Drain(framer).empty());
  framer.Feed(third.substr(3) + EncodePacket(5, "") + EncodePacket(200, "xyz") +
              third.substr(0, 7));
  EXPECT_EQ(Drain(framer), (std::vector<Cut>{{6, EncodeString("secret")}, {5, ""}, {200, "xyz"}}));
  EXPECT_EQ(framer.pending(), 7u);
  framer.Feed(third.substr(7));
  EXPECT_EQ(Drain(framer), (std::vector<Cut>{{6, EncodeString("secret")}}));
  EXPECT_EQ(framer.pending(), 0u);
}

TEST(FramingTest, LengthLimitIsInclusiveAndAnOverlongHeaderIsFinal) {
  PacketFramer framer;
  framer.Feed(EncodePacket(8, std::string(kMaxPacketPayload, 'p')));
  std::vector<Cut> cuts = Drain(framer);
  ASSERT_EQ(cuts.size(), 1u);
  EXPECT_EQ(cuts[0].payload.size(), kMaxPacketPayload);
  framer.Feed(EncodePacket(5, ""));  // the large buffer is given up, not cut again
  EXPECT_EQ(Drain(framer), (std::vector<Cut>{{5, ""}}));

  // The header alone is enough to refuse the packet.
  Frame frame;
  for (const auto& [header, error] : std::vector<std::pair<std::string, std::string>>{
           {std::string("\x05\x00\x10\x00\x01", 5), "1048577"},
           {std::string("\x05\xFF\xFF\xFF\xFF", 5), "4294967295"}}) {
    PacketFramer one;
    one.Feed(header);
    EXPECT_EQ(one.Next(frame), FrameStatus::kTooLong);
    EXPECT_EQ(one.error(), "declared packet length " + error + " exceeds 1048576");
    one.Feed(EncodePacket(5, ""));
    EXPECT_EQ(one.Next(frame), FrameStatus::kTooLong);
  }
}

}  // namespace
}  // namespace orlund
