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

// Entries the schedule uses are pinned by the calendar view's golden picture
// (views/render_test.cc); here those it does not use.
TEST(DayTypeOfDateTest, EntriesTheScheduleDoesNotUseGiveTheWeekday) {
  cTimeSchedule s;
  s.SetActive(6, 0);
  for (int16_t entry : {8, 7, 24, -3}) EXPECT_EQ(DayTypeOfDate(entry, 2, s), 2) << entry;
}

}  // namespace
}  // namespace orlund
