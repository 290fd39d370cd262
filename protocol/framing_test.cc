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
std::vector<Cut> Drain(PacketFramer& framer, FrameStatus* last = nullptr) {
  std::vector<Cut> cuts;
  Frame frame;
  FrameStatus status;
  while ((status = framer.Next(frame)) == FrameStatus::kPacket) {
    cuts.push_back({frame.type, std::string(frame.payload)});
  }
  if (last != nullptr) *last = status;
  return cuts;
}

TEST(FramingTest, EncodePacketFramesThePayload) {
  EXPECT_EQ(EncodePacket(0, ""), std::string(5, '\0'));
  EXPECT_EQ(EncodePacket(1, EncodeInt16(4)), std::string("\x01\0\0\0\x02\0\x04", 7));
  EXPECT_EQ(EncodePacket(7, EncodeInt32(32767)), std::string("\x07\0\0\0\x04\0\0\x7F\xFF", 9));
}

TEST(FramingTest, PacketInThreePiecesIsCutOnceAfterTheLast) {
  const std::string packet = EncodePacket(100, "receiver entry bytes");
  PacketFramer framer;
  framer.Feed(packet.substr(0, 3));
  EXPECT_TRUE(Drain(framer).empty());
  framer.Feed(packet.substr(3, 10));
  EXPECT_TRUE(Drain(framer).empty());
  framer.Feed(packet.substr(13));
  EXPECT_EQ(Drain(framer), (std::vector<Cut>{{100, "receiver entry bytes"}}));
  EXPECT_EQ(framer.pending(), 0u);
}

TEST(FramingTest, WholePacketsComeOutInOrderAndAPartialOneWaits) {
  const std::string third = EncodePacket(6, EncodeString("secret"));
  PacketFramer framer;
  framer.Feed(EncodePacket(5, "") + EncodePacket(200, "xyz") + third.substr(0, 7));
  FrameStatus last;
  EXPECT_EQ(Drain(framer, &last), (std::vector<Cut>{{5, ""}, {200, "xyz"}}));
  EXPECT_EQ(last, FrameStatus::kNeedMore);
  EXPECT_EQ(framer.pending(), 7u);
  framer.Feed(third.substr(7));
  EXPECT_EQ(Drain(framer), (std::vector<Cut>{{6, EncodeString("secret")}}));
}

TEST(FramingTest, LengthLimitIsInclusiveAndAnOverlongHeaderIsFinal) {
  PacketFramer framer;
  const std::string largest = EncodePacket(8, std::string(kMaxPacketPayload, 'p'));
  framer.Feed(largest);
  std::vector<Cut> cuts = Drain(framer);
  ASSERT_EQ(cuts.size(), 1u);
  EXPECT_EQ(cuts[0].payload.size(), kMaxPacketPayload);

  // The header alone is enough to refuse the packet.
  framer.Feed(std::string("\x05\x00\x4C\x4B\x40", 5));  // 5,000,000
  Frame frame;
  EXPECT_EQ(framer.Next(frame), FrameStatus::kTooLong);
  EXPECT_EQ(framer.error(), "declared packet length 5000000 exceeds 1048576");
  framer.Feed(EncodePacket(5, ""));
  EXPECT_EQ(framer.Next(frame), FrameStatus::kTooLong);

  PacketFramer one_over;
  one_over.Feed(std::string("\x05\x00\x10\x00\x01", 5));
  EXPECT_EQ(one_over.Next(frame), FrameStatus::kTooLong);
  EXPECT_EQ(one_over.error(), "declared packet length 1048577 exceeds 1048576");

  PacketFramer top_bit;
  top_bit.Feed(std::string("\x05\xFF\xFF\xFF\xFF", 5));
  EXPECT_EQ(top_bit.Next(frame), FrameStatus::kTooLong);
  EXPECT_EQ(top_bit.error(), "declared packet length 4294967295 exceeds 1048576");
}

TEST(FramingTest, TenThousandSmallPacketsInOneFeed) {
  std::string stream;
  for (int i = 0; i < 10000; ++i) stream += EncodePacket(i % 256, EncodeInt16(i));
  stream += EncodePacket(9, "tail").substr(0, 6);
  PacketFramer framer;
  framer.Feed(stream);
  const std::vector<Cut> cuts = Drain(framer);
  ASSERT_EQ(cuts.size(), 10000u);
  for (int i = 0; i < 10000; ++i) {
    ASSERT_EQ(cuts[i], (Cut{i % 256, EncodeInt16(i)})) << i;
  }
  EXPECT_EQ(framer.pending(), 6u);
  framer.Feed("ail");
  EXPECT_EQ(Drain(framer), (std::vector<Cut>{{9, "tail"}}));
}

}  // namespace
}  // namespace orlund
