#include "store/variant.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "base/errors.h"

namespace orlund {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  return std::string(values.begin(), values.end());
}

std::string Encoded(const Variant& v) {
  ByteWriter w;
  v.Encode(w);
  return w.Take();
}

TEST(VariantTest, EveryKindEncodesToItsHandComputedBytesAndBack) {
  struct Case {
    Variant value;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {Variant(), Bytes({0, 0})},
      {Variant::Null(), Bytes({1, 0})},
      {Variant::FromInt16(-2), Bytes({2, 0, 0xFE, 0xFF})},
      {Variant::FromInt32(0x01020304), Bytes({3, 0, 4, 3, 2, 1})},
      {Variant::FromFloat(1.0f), Bytes({4, 0, 0, 0, 0x80, 0x3F})},
      {Variant::FromDouble(1.0), Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F})},
      {Variant::FromCurrency(15000), Bytes({6, 0, 0x98, 0x3A, 0, 0, 0, 0, 0, 0})},
      {Variant::FromDate(2.5), Bytes({7, 0, 0, 0, 0, 0, 0, 0, 0x04, 0x40})},
      {Variant::FromText("ab"), Bytes({8, 0, 2, 0, 'a', 'b'})},
      {Variant::FromBoolean(-1), Bytes({11, 0, 0xFF, 0xFF})},
      {Variant::FromByte(200), Bytes({17, 0, 200})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Encoded(c.value), c.bytes) << static_cast<int>(c.value.kind());
    ByteReader r(c.bytes);
    EXPECT_EQ(Variant::Decode(r), c.value);
    EXPECT_TRUE(r.AtEnd());
  }
}

TEST(VariantTest, RealsKeepTheirExactBitsEvenForNaNPayloads) {
  const std::string signaling = Bytes({5, 0, 1, 0, 0, 0, 0, 0, 0xF0, 0x7F});
  const std::string float_nan = Bytes({4, 0, 1, 0, 0x80, 0x7F});
  const std::string date_nan = Bytes({7, 0, 5, 4, 3, 2, 1, 0, 0xF8, 0xFF});
  for (const std::string& bytes : {signaling, float_nan, date_nan}) {
    ByteReader r(bytes);
    EXPECT_EQ(Encoded(Variant::Decode(r)), bytes);
  }
}

TEST(VariantTest, UnknownKindAndOverlongTextFailCleanly) {
  const std::string unknown_bytes = Bytes({99, 0, 1, 2});
  ByteReader unknown(unknown_bytes);
  EXPECT_THROW(Variant::Decode(unknown), InvalidArgumentError);
  ByteWriter w;
  EXPECT_THROW(Variant::FromText(std::string(65536, 'x')).Encode(w), OverflowError);
}

TEST(VariantTest, TextFormOfEveryKind) {
  const std::vector<std::pair<Variant, std::string>> cases = {
      {Variant(), ""},
      {Variant::Null(), ""},
      {Variant::FromInt16(-12), "-12"},
      {Variant::FromInt32(-2147483647 - 1), "-2147483648"},
      {Variant::FromByte(255), "255"},
      {Variant::FromBoolean(-1), "True"},
      {Variant::FromBoolean(0), "False"},
      // Reals: the shortest text that reads back to the same value.
      {Variant::FromFloat(0.1f), "0.1"},
      {Variant::FromDouble(1e20), "1E+20"},
      {Variant::FromDouble(-123456.75), "-123456.75"},
      // Currency: up to four decimals.
      {Variant::FromCurrency(125000), "12.5"},
      {Variant::FromCurrency(-1), "-0.0001"},
      {Variant::FromCurrency(std::numeric_limits<int64_t>::min()), "-922337203685477.5808"},
      // Dates: days since 1899-12-30, date and time parts as present.
      {Variant::FromDate(36526), "2000-01-01"},
      {Variant::FromDate(36526.75), "2000-01-01 18:00:00"},
      {Variant::FromDate(0.5), "12:00:00"},
      {Variant::FromDate(-1.25), "1899-12-29 06:00:00"},
      {Variant::FromDate(36526 + 86399.9 / 86400), "2000-01-02"},  // rounds into the next day
      {Variant::FromDate(2958465), "9999-12-31"},
      {Variant::FromDate(1e10), "1E+10"},  // beyond the calendar: as a real
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(value.ToText(), text);
}

}  // namespace
}  // namespace orlund
