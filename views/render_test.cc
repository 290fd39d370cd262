#include "views/render.h"

#include <gtest/gtest.h>

#include "base/errors.h"

namespace orlund {
namespace {

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1)) ++n;
  return n;
}

std::array<std::string, kDayTypeCount> Names() {
  std::array<std::string, kDayTypeCount> names;
  names[0] = "Montag";
  names[6] = "Sonntag";
  names[7] = "Feiertag";
  return names;
}

TEST(RenderTest, ScheduleShowsMondayFrom126To222InTheBarGreens) {
  cTimeSchedule s;
  s.AppendPeriod(0, 480, 960);
  s.SetActive(7, 1);
  s.m_UseCalendar = -1;
  std::string svg = RenderScheduleSvg(s, Names());
  EXPECT_EQ(Count(svg, "<line x1=\"126\" y1=\"4.5\" x2=\"222\" y2=\"4.5\" stroke=\"#00f000\"/>"),
            1u);
  EXPECT_EQ(Count(svg, "<line x1=\"126\" y1=\"18.5\" x2=\"222\" y2=\"18.5\" stroke=\"#008e00\"/>"),
            1u);
  EXPECT_EQ(Count(svg, "x1=\"126\" y1=\""), 15u);
  EXPECT_EQ(Count(svg, "<line x1=\"126.5\" y1=\"4\" x2=\"126.5\" y2=\"19\" stroke=\"#000000\"/>"),
            1u);
  EXPECT_EQ(Count(svg, "<line x1=\"222.5\" y1=\"4\" x2=\"222.5\" y2=\"19\" stroke=\"#000000\"/>"),
            1u);
  EXPECT_EQ(Count(svg, ">Mon</text>"), 1u);     // label: first three characters
  EXPECT_EQ(Count(svg, ">Montag</text>"), 1u);  // name across the row
  EXPECT_EQ(Count(svg, ">Feiertag</text>"), 1u);
  EXPECT_EQ(Count(svg, "<g><rect x=\"12\" y=\"180\" width=\"14\" height=\"13\""), 1u);  // badge 1
  EXPECT_NE(svg.find("height=\"219\""), std::string::npos);  // 8 rows, picture and hours
  EXPECT_EQ(s.m_NumberOfAxisToPaint, 0);                     // the caller's schedule is left alone
}

TEST(RenderTest, CalendarShowsHolidayTodayAndSpecialDayType) {
  cCalendar calendar;
  calendar.SetDayType(9101 + 30, 10);  // 31 December 2024: special day type 9
  CalendarPicture picture;
  picture.year = 2024;
  picture.month = 12;
  picture.day_type_names = Names();
  picture.holiday_labels = {cHolidayLabel{9101 + 24, 7, -1, "Christmas"}};
  picture.today = 9101 + 17;
  std::string svg = RenderCalendarSvg(calendar, picture);

  // December 2024 starts on a Sunday (column 6). The 25th: Wednesday, row 4.
  EXPECT_EQ(
      Count(svg, "<line x1=\"112\" y1=\"122.5\" x2=\"126\" y2=\"122.5\" stroke=\"#ffc0c0\"/>"), 1u);
  EXPECT_EQ(
      Count(svg, "<line x1=\"112\" y1=\"143.5\" x2=\"126\" y2=\"143.5\" stroke=\"#ff8181\"/>"), 1u);
  // The 18th, today: Wednesday, row 3.
  EXPECT_EQ(Count(svg, "<line x1=\"112\" y1=\"97.5\" x2=\"126\" y2=\"97.5\" stroke=\"#00ffff\"/>"),
            1u);
  // Sundays: the 1st, 8th, 15th, 22nd and 29th.
  EXPECT_EQ(Count(svg, "stroke=\"#ffc0c0\""), 6u);
  // The badge of entry 10 on the 31st: image 3 at (40c + 60, y0).
  EXPECT_EQ(Count(svg, "<g><rect x=\"100\" y=\"147\" width=\"9\" height=\"11\""), 1u);
  EXPECT_NE(svg.find(">3</text></g>"), std::string::npos);
  EXPECT_EQ(Count(svg, ">December 2024</text>"), 1u);
  EXPECT_EQ(Count(svg, ">Mon</text>"), 1u);  // "Montag" heads the first column
  EXPECT_EQ(Count(svg, ">Tue</text>"), 1u);

  cTimeSchedule schedule;
  schedule.AppendPeriod(1, 420, 960);
  picture.schedule = &schedule;
  svg = RenderCalendarSvg(calendar, picture);
  EXPECT_EQ(Count(svg, "stroke=\"#00f000\""), 5u);  // one bar on every Tuesday

  picture.year = 1999;
  EXPECT_THROW(RenderCalendarSvg(calendar, picture), SubscriptError);
}

}  // namespace
}  // namespace orlund
