#include "protocol/codec.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace orlund {
namespace {

// One field: its wire bytes, and a decoder that re-encodes what it read.
struct Field {
  std::string wire;
  std::function<std::string(std::string_view, size_t&)> reencode;
};

Field Int16Field(int32_t value, std::string wire) {
  EXPECT_EQ(EncodeInt16(value), wire) << value;
  return {wire, [](std::string_view p, size_t& pos) { return EncodeInt16(DecodeInt16(p, pos)); }};
}
Field Int32Field(int32_t value, std::string wire) {
  EXPECT_EQ(EncodeInt32(value), wire) << value;
  return {wire, [](std::string_view p, size_t& pos) { return EncodeInt32(DecodeInt32(p, pos)); }};
}
Field StringField(const std::string& value, std::string wire) {
  EXPECT_EQ(EncodeString(value), wire) << value;
  return {wire, [](std::string_view p, size_t& pos) { return EncodeString(DecodeString(p, pos)); }};
}

TEST(CodecTest, FieldsRoundTripAndEveryCutFailsWithoutMoving) {
  // One of each kind; the messages' own tests pin more values on the wire.
  const std::vector<Field> fields = {
      Int16Field(0x12345, std::string("\x23\x45", 2)),  // the low 16 bits
      Int32Field(2147483647, std::string("\x7F\xFF\xFF\xFF", 4)),
      StringField("A\xE9\xFF", std::string("\0\x03"
                                           "A\xE9\xFF",
                                           5)),
  };
  for (const Field& f : fields) {
    size_t pos = 1;
    EXPECT_EQ(f.reencode("x" + f.wire + "tail", pos), f.wire);
    EXPECT_EQ(pos, 1 + f.wire.size());
    for (size_t cut = 0; cut < f.wire.size(); ++cut) {
      pos = 0;
      EXPECT_THROW(f.reencode(f.wire.substr(0, cut), pos), DecodeError) << cut;
      EXPECT_EQ(pos, 0u);
    }
  }
}

TEST(CodecTest, ValuesOutsideTheirRangeFailCleanly) {
  size_t pos = 0;
  EXPECT_THROW(DecodeInt32(std::string("\x80\0\0\0", 4), pos), DecodeError);
  // A declared length of 32768 or more is negative as a 16-bit value.
  EXPECT_THROW(DecodeString(std::string("\x80\x00", 2) + std::string(40000, 'z'), pos),
               DecodeError);
  EXPECT_EQ(pos, 0u);
  pos = 10;  // a position already past the end fails instead of wrapping
  EXPECT_THROW(DecodeInt16("abc", pos), DecodeError);
  EXPECT_EQ(pos, 10u);

  // An overlong text is cut so that its length stays positive.
  const std::string encoded = EncodeString(std::string(40000, 'q'));
  ASSERT_EQ(encoded.size(), 2 + kMaxEncodedStringLength);
  pos = 0;
  EXPECT_EQ(DecodeString(encoded, pos), std::string(kMaxEncodedStringLength, 'q'));
}

}  // namespace
}  // namespace orlund
