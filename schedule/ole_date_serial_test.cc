#include <gtest/gtest.h>

#include "schedule/ole_date.h"

namespace orlund {
namespace {

TEST(DateSerialTest, CarriesOverAndWindowsTwoDigitYearsLikeThePlatform) {
  EXPECT_EQ(DateSerial(1900, 3, 1), 61);
  EXPECT_EQ(DateSerial(2000, 1, 1), 36526);
  EXPECT_EQ(DateSerial(2039, 12, 31), 36526 + 14609);
  EXPECT_EQ(DateSerial(2000, 13, 1), DateSerial(2001, 1, 1));
  EXPECT_EQ(DateSerial(2000, -12, 1), DateSerial(1998, 12, 1));
  EXPECT_EQ(DateSerial(2001, 2, 29), DateSerial(2001, 3, 1));
  EXPECT_EQ(DateSerial(2000, 3, 0), DateSerial(2000, 2, 29));
  EXPECT_EQ(DateSerial(29, 12, 31), DateSerial(2029, 12, 31));
  EXPECT_EQ(DateSerial(30, 1, 1), DateSerial(1930, 1, 1));
  EXPECT_FALSE(DateSerial(100, 1, 0).has_value());
  EXPECT_FALSE(DateSerial(9999, 12, 32).has_value());
}

}  // namespace
}  // namespace orlund
