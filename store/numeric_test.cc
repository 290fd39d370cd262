#include "store/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace orlund {
namespace {

TEST(NumericTest, ReadsTheLeadingNumber) {
  EXPECT_EQ(TextToNumber("  12abc"), 12);
  EXPECT_EQ(TextToNumber("\t-7.25 x"), -7.25);
  EXPECT_EQ(TextToNumber("+3"), 3);
  EXPECT_EQ(TextToNumber(".5"), 0.5);
  EXPECT_EQ(TextToNumber("5."), 5);
  EXPECT_EQ(TextToNumber("1.2.3"), 1.2);
  EXPECT_EQ(TextToNumber("7-30"), 7);
  EXPECT_EQ(TextToNumber("0030"), 30);
}

TEST(NumericTest, TextsWithoutANumberGiveZero) {
  for (const char* text : {"", "-", "+", ".", "-.", "abc", " x1", "- 5", "&", "&X12"}) {
    EXPECT_EQ(TextToNumber(text), 0) << text;
  }
  // Nothing strtod would accept on its own leaks through.
  EXPECT_EQ(TextToNumber("inf"), 0);
  EXPECT_EQ(TextToNumber("nan"), 0);
  EXPECT_EQ(TextToNumber("0x1F"), 0);
}

TEST(NumericTest, HexAndOctalPrefixes) {
  EXPECT_EQ(TextToNumber("&H7F"), 127);
  EXPECT_EQ(TextToNumber(" &hff"), 255);
  EXPECT_EQ(TextToNumber("&O17"), 15);
  EXPECT_EQ(TextToNumber("&o178"), 15);  // 8 is no octal digit
  EXPECT_EQ(TextToNumber("&H1G"), 1);
  EXPECT_EQ(TextToNumber("&H"), 0);
  EXPECT_EQ(TextToNumber("&HFFFFFFFF"), 4294967295.0);
}

TEST(NumericTest, ExponentNeedsADigit) {
  EXPECT_EQ(TextToNumber("1E3"), 1000);
  EXPECT_EQ(TextToNumber("2.5e-1"), 0.25);
  EXPECT_EQ(TextToNumber("12e"), 12);
  EXPECT_EQ(TextToNumber("12E+"), 12);
  EXPECT_EQ(TextToNumber("12Ex"), 12);
  EXPECT_TRUE(std::isinf(TextToNumber("1e999")));
  EXPECT_EQ(TextToNumber(std::string(400, '9')), INFINITY);
  EXPECT_EQ(TextToNumber("-" + std::string(400, '9')), -INFINITY);
}

TEST(NumericTest, RoundsHalvesToEven) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(-3.5), -4);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
  EXPECT_EQ(RoundHalfEven(-0.6), -1);
  EXPECT_EQ(RoundHalfEven(1e300), 1e300);
  EXPECT_TRUE(std::isinf(RoundHalfEven(INFINITY)));
  EXPECT_TRUE(std::isnan(RoundHalfEven(NAN)));
}

TEST(NumericTest, IntegerConversionsRoundAndReportOverflow) {
  EXPECT_EQ(TextToInt32("2.5"), 2);
  EXPECT_EQ(TextToInt32("-2.5"), -2);
  EXPECT_EQ(TextToInt32("x"), 0);
  EXPECT_EQ(TextToInt32("2147483647"), 2147483647);
  EXPECT_EQ(TextToInt32("-2147483648"), -2147483648LL);
  EXPECT_EQ(TextToInt32("2147483647.5"), std::nullopt);  // rounds up to 2^31
  EXPECT_EQ(TextToInt32("2147483648"), std::nullopt);
  EXPECT_EQ(TextToInt32("-2147483649"), std::nullopt);
  EXPECT_EQ(TextToInt32("1e999"), std::nullopt);
  EXPECT_EQ(TextToInt16("32767"), 32767);
  EXPECT_EQ(TextToInt16("32767.5"), std::nullopt);
  EXPECT_EQ(TextToInt16("-32768.5"), -32768);  // the even neighbour
  EXPECT_EQ(TextToInt16("-32769"), std::nullopt);
  EXPECT_EQ(TextToInt16("&HFFFF"), std::nullopt);
  EXPECT_EQ(TextToInt32Or("58658", 1), 58658);
  EXPECT_EQ(TextToInt32Or("99999999999", -7), -7);
}

}  // namespace
}  // namespace orlund
