#include "schedule/day_type_rules.h"

#include <gtest/gtest.h>

#include "base/errors.h"

namespace orlund {
namespace {

TEST(GetNextTimePeriodTest, WalksTheListInInsertionOrder) {
  cTimeSchedule s;
  s.AppendPeriod(2, 720, 780);
  s.AppendPeriod(2, 480, 600);
  s.AppendPeriod(3, 0, 10);
  int16_t start = -1;
  int16_t stop = -1;
  const cTimeSchedulePeriod* p = s.GetNextTimePeriod(2, start, stop, nullptr);
  ASSERT_EQ(p, s.GetPeriods(2)[0].get());
  EXPECT_EQ(start, 720);
  EXPECT_EQ(stop, 780);
  p = s.GetNextTimePeriod(2, start, stop, p);
  EXPECT_EQ(start, 480);
  EXPECT_EQ(stop, 600);
  EXPECT_EQ(s.GetNextTimePeriod(2, start, stop, p), nullptr);
  EXPECT_EQ(start, 480);

  // An equal period that is not the list's own object ends the walk.
  cTimeSchedulePeriod copy(720, 780);
  EXPECT_EQ(s.GetNextTimePeriod(2, start, stop, &copy), nullptr);
  EXPECT_EQ(s.GetNextTimePeriod(2, start, stop, s.GetPeriods(3)[0].get()), nullptr);

  s.SetActive(2, 0);
  start = stop = 7;
  EXPECT_EQ(s.GetNextTimePeriod(2, start, stop, nullptr), nullptr);
  EXPECT_EQ(start, 7);
  EXPECT_EQ(stop, 7);
  EXPECT_THROW(s.GetNextTimePeriod(23, start, stop, nullptr), SubscriptError);
}

TEST(DayTypeOfDateTest, UsesTheAssignmentOnlyWhenTheScheduleUsesIt) {
  cTimeSchedule s;
  EXPECT_EQ(DayTypeOfDate(0, 2, s), 2);
  EXPECT_EQ(DayTypeOfDate(8, 2, s), 2);  // special day type 7 not used
  s.SetActive(7, 1);
  EXPECT_EQ(DayTypeOfDate(8, 2, s), 7);
  EXPECT_EQ(DayTypeOfDate(7, 2, s), 6);  // a Wednesday treated as Sunday
  s.SetActive(6, 0);
  EXPECT_EQ(DayTypeOfDate(7, 2, s), 2);
  // Entries that name no day type count as none.
  EXPECT_EQ(DayTypeOfDate(24, 4, s), 4);
  EXPECT_EQ(DayTypeOfDate(-3, 4, s), 4);
}

}  // namespace
}  // namespace orlund
