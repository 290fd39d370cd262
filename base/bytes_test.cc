#include "base/bytes.h"

#include <gtest/gtest.h>

namespace orlund {
namespace {

TEST(BytesTest, RoundTripsEveryFieldLittleEndian) {
  ByteWriter w;
  w.Int16(-1);
  w.Int16(300);
  w.Int32(-2);
  w.Int64(0x0102030405060708LL);
  w.Text("AB");
  w.Byte(254);
  const std::string& b = w.bytes();
  ASSERT_EQ(b.size(), 2u + 2 + 4 + 8 + 4 + 1);
  EXPECT_EQ(static_cast<uint8_t>(b[2]), 44);  // 300 = 0x012C, low byte first
  EXPECT_EQ(static_cast<uint8_t>(b[3]), 1);
  ByteReader r(b);
  EXPECT_EQ(r.Int16(), -1);
  EXPECT_EQ(r.Int16(), 300);
  EXPECT_EQ(r.Int32(), -2);
  EXPECT_EQ(r.Int64(), 0x0102030405060708LL);
  EXPECT_EQ(r.Text(), "AB");
  EXPECT_EQ(r.Byte(), 254);
  EXPECT_TRUE(r.AtEnd());
}

TEST(BytesTest, EveryTruncatedPrefixThrowsWithoutReadingPastTheEnd) {
  ByteWriter w;
  w.Int16(7);
  w.Int32(9);
  w.Text("hello");
  const std::string full = w.Take();
  for (size_t cut = 0; cut < full.size(); ++cut) {
    ByteReader r(std::string_view(full).substr(0, cut));
    EXPECT_THROW(
        {
          r.Int16();
          r.Int32();
          r.Text();
        },
        TruncatedError)
        << "cut at " << cut;
  }
}

}  // namespace
}  // namespace orlund
