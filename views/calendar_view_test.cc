#include <gtest/gtest.h>

#include "base/errors.h"
#include "schedule/calendar.h"
#include "testing/view_test_doubles.h"

namespace orlund {
namespace {

class CalendarViewTest : public ::testing::Test {
 protected:
  void Show(int32_t year, int32_t month) {
    c.m_SelectedYear = year;
    c.m_SelectedMonth = month;
    c.RecalculateAndPrepareToPaint(nullptr, nullptr);
    c.m_TodaysDayOffset = -1;
  }
  // The middle of the box of a day of the shown month.
  float BoxX(int d) const {
    return 40.0f * static_cast<float>((c.m_FirstWeekDayInActualMonth + d) % 7) + 50;
  }
  float BoxY(int d) const {
    return 25.0f * static_cast<float>((c.m_FirstWeekDayInActualMonth + d) / 7) + 32;
  }
  std::vector<DrawCall> StripLines(int32_t colour) const {
    return surface.Of(DrawCall::kLine, colour);
  }

  cCalendar c;
  ScriptedCalendarHost host;
  RecordingSurface surface;
};

TEST_F(CalendarViewTest, MonthFieldsOfJanuary2000AndFebruary2024) {
  Show(2000, 1);
  EXPECT_EQ(c.m_ActualMonthOffset, 0);
  EXPECT_EQ(c.m_FirstWeekDayInActualMonth, 5);
  EXPECT_EQ(c.m_DaysInActualMonth, 31);
  EXPECT_EQ(c.PaintDayType(), -1);
  Show(2024, 2);
  EXPECT_EQ(c.m_ActualMonthOffset, 8797);
  EXPECT_EQ(c.m_FirstWeekDayInActualMonth, 3);
  EXPECT_EQ(c.m_DaysInActualMonth, 29);
  Show(2023, 13);  // carries into January 2024
  EXPECT_EQ(c.m_ActualMonthOffset, 8766);
}

TEST_F(CalendarViewTest, DayHitTest) {
  Show(2000, 1);
  EXPECT_EQ(c.CalcDayFromPosition(30 + 40 * 5 + 20, 32), 0);   // the 1st: column 5, row 0
  EXPECT_EQ(c.CalcDayFromPosition(30 + 20, 25 + 32), 2);       // the 3rd: column 0, row 1
  EXPECT_EQ(c.CalcDayFromPosition(30 + 40 * 2 + 20, 32), -1);  // column 2 of row 0: no date
  EXPECT_EQ(c.CalcDayFromPosition(100, 20), -1);               // on the title and headers
  EXPECT_EQ(c.CalcDayFromPosition(30, 100), -1);
  EXPECT_EQ(c.CalcDayFromPosition(310, 100), -1);
  EXPECT_EQ(c.CalcDayFromPosition(100, 170), -1);
  EXPECT_EQ(c.CalcDayFromPosition(69.4f, 69.4f), 2);  // rounds to column 0, row 1
  EXPECT_EQ(c.CalcDayFromPosition(69.5f, 70), 10);    // rounds into column 1, row 2
  EXPECT_EQ(c.CalcDayFromPosition(50, 44.5f), -1);    // 24.5 rounds to 24: row 0
  EXPECT_EQ(c.CalcDayFromPosition(50, 45.5f), 2);     // 25.5 rounds to 26: row 1
  EXPECT_EQ(c.CalcDayFromPosition(30 + 40 * 4 + 20, 25 * 5 + 32), -1);  // after the 31st
}

TEST_F(CalendarViewTest, PaintDrawsGridHeadersTitleWeeksAndEveryBox) {
  FixedTexts texts({{611, "Monday"}, {617, "Sunday"}});
  host.tables.Texts = &texts;
  Show(2000, 1);
  c.Paint(host, surface);
  EXPECT_EQ(host.title, "January 2000");
  EXPECT_EQ(StripLines(kColourWhite).size(), 8u + 1 + 7);
  std::vector<DrawCall> black = StripLines(kColourBlack);
  ASSERT_EQ(black.size(), 8u + 1 + 7);
  EXPECT_EQ(black[0].y1, 3);  // 16 - h, h the height of "8"
  EXPECT_EQ(black[8].y1, 2);  // the header line, 15 - h

  std::vector<DrawCall> texts_drawn = surface.Of(DrawCall::kText);
  ASSERT_EQ(texts_drawn.size(), 7u + 6 + 31);
  EXPECT_EQ(texts_drawn[0].text, "Mon");
  EXPECT_TRUE(texts_drawn[0].bold);
  EXPECT_EQ(texts_drawn[0].x1, 41);  // 30 + (40 - 18) / 2
  EXPECT_EQ(texts_drawn[0].y1, 5);
  EXPECT_EQ(texts_drawn[1].text, "Inv");  // a missing text
  for (size_t j = 0; j < 6; ++j) {        // weeks 1 to 6, the last for 5 February
    EXPECT_EQ(texts_drawn[7 + j].text, std::to_string(j + 1));
    EXPECT_EQ(texts_drawn[7 + j].y1, 25.0 * static_cast<double>(j) + 26);
  }
  EXPECT_EQ(texts_drawn[7].x1, 12);
  EXPECT_EQ(texts_drawn[7].colour, kColourGrayText);
  EXPECT_FALSE(texts_drawn[7].bold);
  EXPECT_EQ(texts_drawn[13].x1, 232);  // the 1st
  EXPECT_EQ(surface.Of(DrawCall::kBox).size(), 31u);
  EXPECT_EQ(surface.ForeColor(), kColourButtonText);
}

TEST_F(CalendarViewTest, StripsForSundaysHolidaysAndToday) {
  Show(2000, 1);
  host.tables.HolidayFlags[1] = -1;  // Sunday the 2nd is also a holiday
  host.tables.HolidayFlags[5] = -1;  // Thursday the 6th
  c.m_TodaysDayOffset = 5;
  c.PaintDateBox(host, surface, 1);  // column 6, row 0
  std::vector<DrawCall> box = surface.Of(DrawCall::kBox);
  ASSERT_EQ(box.size(), 1u);
  EXPECT_EQ(std::make_pair(box[0].x1, box[0].y1), std::make_pair(272.0, 22.0));
  EXPECT_EQ(std::make_pair(box[0].x2, box[0].y2), std::make_pair(37.0, 22.0));
  std::vector<DrawCall> lines = surface.Of(DrawCall::kLine);
  ASSERT_EQ(lines.size(), 22u);  // one strip for Sunday and holiday
  EXPECT_EQ(lines[0].colour, Rgb(255, 192, 192));
  EXPECT_EQ(lines[21].colour, Rgb(255, 129, 129));
  EXPECT_EQ(lines[21].x1, 272);
  EXPECT_EQ(lines[21].x2, 286);
  EXPECT_EQ(lines[21].y1, 43);
  surface.calls.clear();
  c.m_ShowTimeAxis = -1;  // shorter strips, no schedule: no axis
  c.PaintDateBox(host, surface, 5);
  ASSERT_EQ(surface.Of(DrawCall::kLine).size(), 32u);
  EXPECT_EQ(StripLines(Rgb(255, 192, 192)).size(), 1u);
  EXPECT_EQ(StripLines(Rgb(255, 147, 147)).size(), 1u);  // the 16th red line
  EXPECT_EQ(StripLines(Rgb(0, 255, 255)).size(), 1u);
  EXPECT_EQ(StripLines(Rgb(0, 210, 255)).size(), 1u);

  surface.calls.clear();
  c.PaintDateBox(host, surface, 3);  // a Tuesday, no holiday
  EXPECT_TRUE(surface.Of(DrawCall::kLine).empty());
  const DrawCall number = surface.Of(DrawCall::kText, kColourGrayText).at(0);
  EXPECT_EQ(number.text, "4");
  EXPECT_EQ(std::make_pair(number.x1, number.y1), std::make_pair(72.0, 47.0));
}

TEST_F(CalendarViewTest, EntriesShowAShortNameOrAnImage) {
  Show(2000, 1);
  host.tables.ShortDayTypeNames[6] = "Su";
  c.SetDayType(2, 7);   // the 3rd as Sunday
  c.SetDayType(3, 12);  // the 4th as special day type 11
  c.SetDayType(4, 99);  // unvalidated: nothing drawn
  c.PaintDateBox(host, surface, 2);
  c.PaintDateBox(host, surface, 3);
  c.PaintDateBox(host, surface, 4);
  std::vector<DrawCall> texts = surface.Of(DrawCall::kText);
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[1].text, "Su");
  EXPECT_EQ(texts[1].x1, 56);  // ends 2 left of x = 70
  EXPECT_EQ(texts[1].y1, 60);  // the line below the day number
  EXPECT_EQ(texts[1].colour, kColourButtonText);
  EXPECT_EQ(host.images, (std::vector<std::string>{"5 77 100 47 1"}));
}

TEST_F(CalendarViewTest, TimeAxisShowsTheDatesPeriods) {
  cTimeSchedule schedule;
  schedule.AppendPeriod(0, 420, 960);
  schedule.AppendPeriod(7, 0, 1440);
  c.m_ShowTimeAxis = -1;
  c.m_AssociatedTimeSchedule = &schedule;
  Show(2000, 1);
  c.PaintDateBox(host, surface, 2);  // Monday the 3rd: x0 = 32, y0 = 47
  std::vector<DrawCall> bars = StripLines(Rgb(0, 240, 0));
  ASSERT_EQ(bars.size(), 1u);
  EXPECT_EQ(bars[0].x1, 32 + 11);
  EXPECT_EQ(bars[0].x2, 32 + 25);
  EXPECT_EQ(bars[0].y1, 64);
  EXPECT_EQ(StripLines(Rgb(0, 164, 0)).size(), 1u);
  EXPECT_EQ(StripLines(Rgb(220, 220, 220)).at(0).x2, 69);  // the axis background
  EXPECT_EQ(StripLines(Rgb(128, 128, 128)).at(1).y2, 69);  // the bar's end

  surface.calls.clear();
  c.SetDayType(9, 8);  // Monday the 10th as special day type 7
  schedule.SetActive(7, 1);
  c.PaintDateBox(host, surface, 9);
  EXPECT_EQ(StripLines(Rgb(0, 240, 0))[0].x2, 32 + 37);
}

TEST_F(CalendarViewTest, PressingAndDraggingPaintsTheSelectedDayType) {
  Show(2000, 1);
  c.MouseDown(host, surface, 1, 0, BoxX(0), BoxY(0));  // nothing selected in the list
  EXPECT_EQ(c.GetDayType(0), 0);
  EXPECT_EQ(c.PaintDayType(), -1);

  host.selected_position = 9;  // entry 8: special day type 7
  c.MouseDown(host, surface, 1, 0, BoxX(0), BoxY(0));
  EXPECT_EQ(c.GetDayType(0), 8);
  EXPECT_EQ(surface.Of(DrawCall::kBox).size(), 1u);
  c.MouseMove(host, surface, 1, 0, BoxX(0) + 3, BoxY(0));  // same box: nothing more
  c.MouseMove(host, surface, 1, 0, BoxX(1), BoxY(1));
  c.MouseMove(host, surface, 1, 0, BoxX(1) + 2, BoxY(1) + 2);
  EXPECT_EQ(c.GetDayType(1), 8);
  EXPECT_EQ(surface.Of(DrawCall::kBox).size(), 2u);
  EXPECT_EQ(surface.tooltip, "item 9");
  c.MouseUp(1, 0, 0, 0);
  c.MouseMove(host, surface, 0, 0, BoxX(2), BoxY(2));
  EXPECT_EQ(c.GetDayType(2), 0);
  EXPECT_EQ(surface.tooltip, "");

  c.MouseDown(host, surface, 1, 0, 100, 10);  // on the headers: no date
  EXPECT_EQ(c.PaintDayType(), 8);
  EXPECT_EQ(surface.Of(DrawCall::kBox).size(), 2u);
}

TEST_F(CalendarViewTest, TooltipNamesTheDayTypeAndTheHoliday) {
  host.tables.SetHolidays({cHolidayLabel{3, 7, 0, "Hidden"}, cHolidayLabel{4, 7, -1, "Feast"},
                           cHolidayLabel{4, 7, -1, "Second"}});
  Show(2000, 1);
  c.SetDayType(4, 9);
  c.MouseMove(host, surface, 0, 0, BoxX(4), BoxY(4));
  EXPECT_EQ(surface.tooltip, "item 10 (Feast)");
  c.MouseMove(host, surface, 0, 0, BoxX(3), BoxY(3));  // label not shown in the calendar
  EXPECT_EQ(surface.tooltip, "");
  c.MouseMove(host, surface, 0, 0, BoxX(4), BoxY(4));
  c.MouseMove(host, surface, 0, 0, 5, 5);
  EXPECT_EQ(surface.tooltip, "");

  Show(1999, 12);  // days outside the calendar: every step fails and is skipped
  surface.tooltip = "old";
  c.MouseMove(host, surface, 0, 0, BoxX(0), BoxY(0));
  EXPECT_EQ(surface.tooltip, "");
  EXPECT_THROW(c.PaintDateBox(host, surface, 0), SubscriptError);
}

}  // namespace
}  // namespace orlund
