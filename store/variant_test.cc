#include "store/variant.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "store/errors.h"

namespace orlund {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
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

TEST(VariantTest, UnknownKindAndEveryCutFailCleanly) {
  ByteReader unknown(Bytes({99, 0, 1, 2}));
  EXPECT_THROW(Variant::Decode(unknown), InvalidArgumentError);
  for (const Variant& v : {Variant::FromInt32(7), Variant::FromDouble(3.25),
                           Variant::FromText("hello"), Variant::FromByte(1)}) {
    const std::string full = Encoded(v);
    for (size_t cut = 0; cut < full.size(); ++cut) {
      ByteReader r(std::string_view(full).substr(0, cut));
      EXPECT_THROW(Variant::Decode(r), TruncatedError) << cut;
    }
  }
}

TEST(VariantTest, TextThatDoesNotFitItsLengthIsRefused) {
  ByteWriter w;
  EXPECT_THROW(Variant::FromText(std::string(65536, 'x')).Encode(w), OverflowError);
  EXPECT_NO_THROW(Variant::FromText(std::string(65535, 'x')).Encode(w));
}

TEST(VariantTest, TextFormOfEachKind) {
  EXPECT_EQ(Variant().ToText(), "");
  EXPECT_EQ(Variant::Null().ToText(), "");
  EXPECT_EQ(Variant::FromInt16(-12).ToText(), "-12");
  EXPECT_EQ(Variant::FromInt32(-2147483647 - 1).ToText(), "-2147483648");
  EXPECT_EQ(Variant::FromByte(255).ToText(), "255");
  EXPECT_EQ(Variant::FromBoolean(-1).ToText(), "True");
  EXPECT_EQ(Variant::FromBoolean(1).ToText(), "True");
  EXPECT_EQ(Variant::FromBoolean(0).ToText(), "False");
  EXPECT_EQ(Variant::FromText("Pager 7").ToText(), "Pager 7");
}

TEST(VariantTest, TextFormOfRealsIsTheShortestRoundTrip) {
  EXPECT_EQ(Variant::FromFloat(0.1f).ToText(), "0.1");
  EXPECT_EQ(Variant::FromFloat(-2.5f).ToText(), "-2.5");
  EXPECT_EQ(Variant::FromDouble(0.1).ToText(), "0.1");
  EXPECT_EQ(Variant::FromDouble(1e20).ToText(), "1E+20");
  EXPECT_EQ(Variant::FromDouble(123456.75).ToText(), "123456.75");
}

TEST(VariantTest, TextFormOfCurrencyHasUpToFourDecimals) {
  EXPECT_EQ(Variant::FromCurrency(125000).ToText(), "12.5");
  EXPECT_EQ(Variant::FromCurrency(30000).ToText(), "3");
  EXPECT_EQ(Variant::FromCurrency(-1).ToText(), "-0.0001");
  EXPECT_EQ(Variant::FromCurrency(0).ToText(), "0");
  EXPECT_EQ(Variant::FromCurrency(std::numeric_limits<int64_t>::min()).ToText(),
            "-922337203685477.5808");
}

TEST(VariantTest, TextFormOfDates) {
  EXPECT_EQ(Variant::FromDate(36526).ToText(), "2000-01-01");
  EXPECT_EQ(Variant::FromDate(36526.75).ToText(), "2000-01-01 18:00:00");
  EXPECT_EQ(Variant::FromDate(0.5).ToText(), "12:00:00");
  EXPECT_EQ(Variant::FromDate(0).ToText(), "00:00:00");
  EXPECT_EQ(Variant::FromDate(-1.25).ToText(), "1899-12-29 06:00:00");
  EXPECT_EQ(Variant::FromDate(60).ToText(), "1900-02-28");
  EXPECT_EQ(Variant::FromDate(61).ToText(), "1900-03-01");
  // 23:59:59.9 rounds up into the next day.
  EXPECT_EQ(Variant::FromDate(36526 + 86399.9 / 86400).ToText(), "2000-01-02");
  EXPECT_EQ(Variant::FromDate(2958465).ToText(), "9999-12-31");
  EXPECT_EQ(Variant::FromDate(1e10).ToText(), "1E+10");
}

}  // namespace
}  // namespace orlund
