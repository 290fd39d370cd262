#include "schedule/date_serial.h"

#include <gtest/gtest.h>

namespace orlund {
namespace {

TEST(DateSerialTest, KnownDatesAndCalendarBounds) {
  EXPECT_EQ(DateSerial(1899, 12, 30), 0);
  EXPECT_EQ(DateSerial(1900, 3, 1), 61);
  EXPECT_EQ(DateSerial(2000, 1, 1), 36526);
  EXPECT_EQ(DateSerial(2039, 12, 31), 36526 + 14609);
  EXPECT_EQ(DateSerial(1999, 12, 31), 36525);
  EXPECT_EQ(DateSerial(2024, 2, 29), DateSerial(2024, 3, 1).value() - 1);
}

TEST(DateSerialTest, MonthsAndDaysCarryBothWays) {
  EXPECT_EQ(DateSerial(2000, 13, 1), DateSerial(2001, 1, 1));
  EXPECT_EQ(DateSerial(2000, 25, 1), DateSerial(2002, 1, 1));
  EXPECT_EQ(DateSerial(2000, 0, 1), DateSerial(1999, 12, 1));
  EXPECT_EQ(DateSerial(2000, -12, 1), DateSerial(1998, 12, 1));
  EXPECT_EQ(DateSerial(2000, 1, 32), DateSerial(2000, 2, 1));
  EXPECT_EQ(DateSerial(2001, 2, 29), DateSerial(2001, 3, 1));
  EXPECT_EQ(DateSerial(2000, 3, 0), DateSerial(2000, 2, 29));
  EXPECT_EQ(DateSerial(2000, 1, -1), DateSerial(1999, 12, 30));
  EXPECT_EQ(DateSerial(2039, 12, 32), 36526 + 14610);
}

TEST(DateSerialTest, TwoDigitYearsAndRange) {
  EXPECT_EQ(DateSerial(0, 1, 1), DateSerial(2000, 1, 1));
  EXPECT_EQ(DateSerial(29, 12, 31), DateSerial(2029, 12, 31));
  EXPECT_EQ(DateSerial(30, 1, 1), DateSerial(1930, 1, 1));
  EXPECT_EQ(DateSerial(99, 13, 1), DateSerial(2000, 1, 1));
  EXPECT_TRUE(DateSerial(100, 1, 1).has_value());
  EXPECT_FALSE(DateSerial(100, 1, 0).has_value());
  EXPECT_TRUE(DateSerial(9999, 12, 31).has_value());
  EXPECT_FALSE(DateSerial(9999, 12, 32).has_value());
  EXPECT_FALSE(DateSerial(-1, 1, 1).has_value());
  EXPECT_FALSE(DateSerial(32767, 32767, 32767).has_value());
}

}  // namespace
}  // namespace orlund
