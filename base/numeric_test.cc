#include "base/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace orlund {
namespace {

TEST(NumericTest, ReadsTheLeadingNumber) {
  EXPECT_EQ(TextToNumber("  12abc"), 12);
  EXPECT_EQ(TextToNumber("\t-7.25 x"), -7.25);
  EXPECT_EQ(TextToNumber(".5"), 0.5);
  EXPECT_EQ(TextToNumber("1.2.3"), 1.2);
  EXPECT_EQ(TextToNumber("7-30"), 7);
  EXPECT_EQ(TextToNumber("2.5e-1"), 0.25);
  EXPECT_EQ(TextToNumber("12Ex"), 12);  // an exponent needs a digit
  EXPECT_EQ(TextToNumber("&H7F"), 127);
  EXPECT_EQ(TextToNumber(" &hff"), 255);
  EXPECT_EQ(TextToNumber("&O17"), 15);
  EXPECT_EQ(TextToNumber("&o178"), 15);
  // No number, and nothing strtod would read on its own.
  for (const char* text : {"", "-", ".", "abc", "- 5", "&", "&H", "inf", "nan", "0x1F"}) {
    EXPECT_EQ(TextToNumber(text), 0) << text;
  }
  EXPECT_EQ(TextToNumber("-" + std::string(400, '9')), -INFINITY);
}

TEST(NumericTest, RoundsHalvesToEven) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(-3.5), -4);
  EXPECT_EQ(RoundHalfEven(-0.6), -1);
  EXPECT_TRUE(std::isnan(RoundHalfEven(NAN)));
}

TEST(NumericTest, IntegerConversionsRoundAndReportOverflow) {
  EXPECT_EQ(TextToInt32("-2.5"), -2);
  EXPECT_EQ(TextToInt32("x"), 0);
  EXPECT_EQ(TextToInt32("-2147483648"), -2147483648LL);
  EXPECT_EQ(TextToInt32("2147483647.5"), std::nullopt);  // rounds up to 2^31
  EXPECT_EQ(TextToInt32("1e999"), std::nullopt);
  EXPECT_EQ(TextToInt16("32767"), 32767);
  EXPECT_EQ(TextToInt16("-32768.5"), -32768);  // the even neighbour
  EXPECT_EQ(TextToInt16("&HFFFF"), std::nullopt);
  EXPECT_EQ(TextToInt32Or("99999999999", -7), -7);
}

}  // namespace
}  // namespace orlund
