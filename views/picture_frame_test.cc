#include "views/picture_frame.h"

#include <gtest/gtest.h>

#include "testing/golden.h"

namespace orlund {
namespace {

bool Has(const std::string& svg, const std::string& part) {
  return svg.find(part) != std::string::npos;
}

TEST(PictureFrameTest, ScheduleGetsTitleBadgesAndPeriodsAroundTheUnchangedView) {
  cTimeSchedule s;
  testing::FillGoldenSchedule(s);
  const auto names = testing::GoldenDayTypeNames();
  const std::string view = RenderScheduleSvg(s, names);
  const std::string framed = FramePicture(view, ScheduleFrame("Day & night", s, names));
  // The view's own elements follow its root tag unchanged, moved by the margin.
  const size_t root = view.find("<svg ") + 4;
  EXPECT_TRUE(Has(framed, "<svg x=\"16\" y=\"40\"" + view.substr(root)));
  EXPECT_TRUE(Has(framed, "font-weight=\"bold\">Day &amp; night</text>"));
  EXPECT_TRUE(Has(framed, "fill=\"#ffffff\"/>"));
  const PictureFrame frame = ScheduleFrame("x", s, names);
  // Every active row, Friday (inactive) left out; day type 9 drawn as badge 3.
  ASSERT_EQ(frame.notes.size(), 7u);
  EXPECT_EQ(frame.notes[0], "Monday: 08:00-16:00, 20:00-24:00");
  EXPECT_EQ(frame.notes[2], "Wednesday: no periods");
  EXPECT_EQ(frame.notes[6], names[9] + ": 10:00-10:10");
  ASSERT_EQ(frame.legend.size(), 1u);
  EXPECT_EQ(frame.legend[0].badge_text, "3");
  EXPECT_EQ(frame.legend[0].text, names[9]);
}

TEST(PictureFrameTest, CalendarLegendNamesTheMonthsSpecialDaysHolidaysAndToday) {
  cCalendar calendar;
  calendar.SetDayType(9101 + 30, 10);  // 31 December 2024: special day type 2
  calendar.SetDayType(9101 + 40, 11);  // January: not in the legend
  CalendarPicture picture;
  picture.year = 2024;
  picture.month = 12;
  picture.day_type_names = testing::GoldenDayTypeNames();
  picture.holiday_labels = {{9101 + 24, 7, -1, "Christmas"}, {9101 + 25, 7, 0, "Hidden"}};
  picture.today = 9101 + 17;
  PictureFrame frame = CalendarFrame(calendar, picture, "Night watch");
  EXPECT_EQ(frame.title, "December 2024 - Night watch");
  ASSERT_EQ(frame.legend.size(), 3u);
  EXPECT_EQ(frame.legend[0].badge_text, "3");
  EXPECT_EQ(frame.legend[0].text, picture.day_type_names[9]);
  EXPECT_EQ(frame.legend[2].text, "Today");
  EXPECT_EQ(frame.notes, std::vector<std::string>{"25 December: Christmas"});
  picture.today = 9101 + 31;
  EXPECT_EQ(CalendarFrame(calendar, picture, "").legend.back().text, "Sunday or holiday");
}

}  // namespace
}  // namespace orlund
