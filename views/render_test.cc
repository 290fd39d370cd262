#include "views/render.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "testing/golden.h"

namespace orlund {
namespace {

using testing::ExpectGolden;

TEST(RenderTest, ScheduleViewPicture) {
  cTimeSchedule s;
  testing::FillGoldenSchedule(s);
  ExpectGolden("views/testdata/schedule_view.svg",
               RenderScheduleSvg(s, testing::GoldenDayTypeNames()));
  EXPECT_EQ(s.m_NumberOfAxisToPaint, 0);  // the caller's schedule is left alone
}

// December 2024 starts on a Sunday. The 3rd is treated as a Sunday, the 4th
// holds an entry that names no day type, the 31st special day type 9; the
// 25th is a holiday shown in the calendar, the 26th one that is not; today
// is the 18th.
TEST(RenderTest, CalendarViewPicture) {
  cCalendar calendar;
  calendar.SetDayType(9101 + 2, 7);
  calendar.SetDayType(9101 + 3, 99);
  calendar.SetDayType(9101 + 30, 10);
  cTimeSchedule schedule;
  schedule.AppendPeriod(1, 420, 960);
  schedule.AppendPeriod(6, 0, 1440);
  schedule.SetActive(9, 1);
  schedule.AppendPeriod(9, 720, 1440);
  CalendarPicture picture;
  picture.year = 2024;
  picture.month = 12;
  picture.day_type_names = testing::GoldenDayTypeNames();
  picture.day_type_names[1] = "";  // an empty weekday name heads its column in English
  picture.holiday_labels = {{9101 + 24, 7, -1, "Christmas"}, {9101 + 25, 7, 0, "Hidden"}};
  picture.schedule = &schedule;
  picture.today = 9101 + 17;
  ExpectGolden("views/testdata/calendar_view.svg", RenderCalendarSvg(calendar, picture));

  picture.year = 1999;
  EXPECT_THROW(RenderCalendarSvg(calendar, picture), SubscriptError);
}

}  // namespace
}  // namespace orlund
