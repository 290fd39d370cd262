#include "schedule/ole_date.h"

#include <gtest/gtest.h>

namespace orlund {
namespace {

TEST(OleDateTest, SerialDaysWeekdaysAndCarryOver) {
  EXPECT_EQ(SerialDayFromParts(1899, 12, 30), 0);
  EXPECT_EQ(SerialDayFromParts(2000, 1, 1), 36526);
  EXPECT_EQ(SerialDayFromParts(2039, 12, 31) - 36526, 14609);
  EXPECT_EQ(SerialDayFromParts(2023, 13, 1), SerialDayFromParts(2024, 1, 1));
  EXPECT_EQ(SerialDayFromParts(2024, 0, 1), SerialDayFromParts(2023, 12, 1));
  EXPECT_EQ(SerialDayFromParts(2024, 3, 0), SerialDayFromParts(2024, 2, 29));
  EXPECT_EQ(SerialDayFromParts(2000, 1, 36), SerialDayFromParts(2000, 2, 5));
  EXPECT_EQ(WeekdayMondayFirst(36526), 5);  // Saturday
  EXPECT_EQ(WeekdayMondayFirst(SerialDayFromParts(2024, 2, 1)), 3);
  EXPECT_EQ(WeekdayMondayFirst(-1), 4);  // 29 December 1899, a Friday
  CivilDate date = PartsFromSerialDay(SerialDayFromParts(2024, 2, 29));
  EXPECT_EQ(date.year, 2024);
  EXPECT_EQ(date.month, 2);
  EXPECT_EQ(date.day, 29);
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(2100, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
}

TEST(OleDateTest, WeeksStartOnSundayWithWeekOneHoldingJanuaryFirst) {
  EXPECT_EQ(WeekOfYear(SerialDayFromParts(2000, 1, 1)), 1);  // Saturday
  EXPECT_EQ(WeekOfYear(SerialDayFromParts(2000, 1, 2)), 2);  // the next Sunday
  EXPECT_EQ(WeekOfYear(SerialDayFromParts(2000, 12, 31)), 54);
  EXPECT_EQ(WeekOfYear(SerialDayFromParts(2023, 1, 1)), 1);  // a Sunday
  EXPECT_EQ(WeekOfYear(SerialDayFromParts(2023, 1, 7)), 1);
  EXPECT_EQ(WeekOfYear(SerialDayFromParts(2023, 1, 8)), 2);
}

TEST(OleDateTest, MonthTitle) {
  EXPECT_EQ(MonthYearTitle(36526), "January 2000");
  EXPECT_EQ(MonthYearTitle(SerialDayFromParts(2039, 12, 31)), "December 2039");
}

}  // namespace
}  // namespace orlund
