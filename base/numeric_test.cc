#include "base/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace orlund {
namespace {

TEST(NumericTest, ReadsTheLeadingNumber) {
  const std::vector<std::pair<const char*, double>> cases = {
      {"  12abc", 12}, {"\t-7.25 x", -7.25}, {".5", 0.5},  {"1.2.3", 1.2},
      {"7-30", 7},     {"2.5e-1", 0.25},     {"12Ex", 12}, {"&H7F", 127},
      {" &hff", 255},  {"&O17", 15},         {"&o178", 15}};
  for (const auto& [text, number] : cases) EXPECT_EQ(TextToNumber(text), number) << text;
  // No number, and nothing strtod would read on its own.
  for (const char* text : {"", "-", ".", "abc", "- 5", "&", "&H", "inf", "nan", "0x1F"}) {
    EXPECT_EQ(TextToNumber(text), 0) << text;
  }
  EXPECT_EQ(TextToNumber("-" + std::string(400, '9')), -INFINITY);
}

TEST(NumericTest, RoundsHalvesToEven) {
  for (const auto& [value, rounded] : std::vector<std::pair<double, double>>{
           {0.5, 0}, {1.5, 2}, {2.5, 2}, {-2.5, -2}, {-3.5, -4}, {-0.6, -1}}) {
    EXPECT_EQ(RoundHalfEven(value), rounded) << value;
  }
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
}

}  // namespace
}  // namespace orlund
