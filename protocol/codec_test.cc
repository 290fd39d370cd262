#include "protocol/codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orlund {
namespace {

std::vector<int> Unsigned(const std::string& s) {
  std::vector<int> v;
  for (char c : s) v.push_back(static_cast<uint8_t>(c));
  return v;
}

TEST(CodecTest, EncodersGiveTheWireBytes) {
  EXPECT_EQ(Unsigned(EncodeByte(200)), (std::vector<int>{200}));
  EXPECT_EQ(Unsigned(EncodeInt16(-1)), (std::vector<int>{255, 255}));
  EXPECT_EQ(Unsigned(EncodeInt16(300)), (std::vector<int>{1, 44}));
  EXPECT_EQ(Unsigned(EncodeInt16(0x12345)), (std::vector<int>{0x23, 0x45}));
  EXPECT_EQ(Unsigned(EncodeInt32(58658)), (std::vector<int>{0, 0, 229, 34}));
  EXPECT_EQ(Unsigned(EncodeInt32(32767)), (std::vector<int>{0, 0, 127, 255}));
  EXPECT_EQ(Unsigned(EncodeString("")), (std::vector<int>{0, 0}));
  EXPECT_EQ(Unsigned(EncodeString("AB")), (std::vector<int>{0, 2, 65, 66}));
  EXPECT_EQ(Unsigned(EncodeString("\xE9\xFF")), (std::vector<int>{0, 2, 0xE9, 0xFF}));

  std::string out = "x";
  EncodeByte(out, 7);
  EncodeInt16(out, 300);
  EncodeInt32(out, 1);
  EncodeString(out, "A");
  EXPECT_EQ(Unsigned(out), (std::vector<int>{'x', 7, 1, 44, 0, 0, 0, 1, 0, 1, 'A'}));
}

TEST(CodecTest, OverlongTextIsCutSoItsLengthStaysPositive) {
  const std::string text(40000, 'q');
  const std::string encoded = EncodeString(text);
  ASSERT_EQ(encoded.size(), 2 + kMaxEncodedStringLength);
  size_t pos = 0;
  EXPECT_EQ(DecodeString(encoded, pos), text.substr(0, kMaxEncodedStringLength));
}

TEST(CodecTest, DecodersRoundTripAndAdvance) {
  std::string payload;
  EncodeInt16(payload, -1);
  EncodeInt16(payload, -32768);
  EncodeInt16(payload, 32767);
  EncodeInt32(payload, 2147483647);
  EncodeString(payload, "hello");
  EncodeString(payload, "");
  size_t pos = 0;
  EXPECT_EQ(DecodeInt16(payload, pos), -1);
  EXPECT_EQ(DecodeInt16(payload, pos), -32768);
  EXPECT_EQ(DecodeInt16(payload, pos), 32767);
  EXPECT_EQ(DecodeInt32(payload, pos), 2147483647);
  EXPECT_EQ(pos, 10u);
  EXPECT_EQ(DecodeString(payload, pos), "hello");
  EXPECT_EQ(DecodeString(payload, pos), "");
  EXPECT_EQ(pos, payload.size());
}

TEST(CodecTest, DecodersRejectWhatDoesNotFit) {
  size_t pos = 0;
  EXPECT_THROW(DecodeInt16(std::string("\x01", 1), pos), DecodeError);
  EXPECT_THROW(DecodeInt32(std::string("\0\0\0", 3), pos), DecodeError);
  EXPECT_EQ(pos, 0u);

  const std::string high("\x80\0\0\0", 4);
  EXPECT_THROW(DecodeInt32(high, pos), DecodeError);
  EXPECT_EQ(pos, 0u);

  // A declared length of 32768 or more is negative as a 16-bit value.
  std::string negative_length("\x80\x00", 2);
  negative_length += std::string(40000, 'z');
  EXPECT_THROW(DecodeString(negative_length, pos), DecodeError);
  EXPECT_EQ(pos, 0u);

  // A text that runs past the payload end drops the request rather than
  // yielding the remaining bytes.
  const std::string short_text(
      "\x00\x05"
      "abc",
      5);
  EXPECT_THROW(DecodeString(short_text, pos), DecodeError);
  EXPECT_EQ(pos, 0u);

  // A position already past the end fails instead of wrapping.
  pos = 10;
  EXPECT_THROW(DecodeInt16(short_text, pos), DecodeError);
  EXPECT_EQ(pos, 10u);
}

}  // namespace
}  // namespace orlund
