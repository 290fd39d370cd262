#include "base/bytes.h"

#include <gtest/gtest.h>

namespace orlund {
namespace {

TEST(BytesTest, FieldsRoundTripLeastSignificantByteFirstAndEveryCutThrows) {
  ByteWriter w;
  w.Int16(300);
  w.Int32(-2);
  w.Int64(0x0102030405060708LL);
  w.Text("AB");
  w.Byte(254);
  const std::string b = w.Take();
  EXPECT_EQ(b, std::string("\x2C\x01\xFE\xFF\xFF\xFF\x08\x07\x06\x05\x04\x03\x02\x01\x02\x00"
                           "AB\xFE",
                           19));
  ByteReader r(b);
  EXPECT_EQ(r.Int16(), 300);
  EXPECT_EQ(r.Int32(), -2);
  EXPECT_EQ(r.Int64(), 0x0102030405060708LL);
  EXPECT_EQ(r.Text(), "AB");
  EXPECT_EQ(r.Byte(), 254);
  EXPECT_TRUE(r.AtEnd());
  for (size_t cut = 0; cut < b.size(); ++cut) {
    ByteReader cut_reader(std::string_view(b).substr(0, cut));
    EXPECT_THROW(
        {
          cut_reader.Int16();
          cut_reader.Int32();
          cut_reader.Int64();
          cut_reader.Text();
          cut_reader.Byte();
        },
        TruncatedError)
        << cut;
  }
}

}  // namespace
}  // namespace orlund
