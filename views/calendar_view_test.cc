// The calendar view's month fields, hit test and mouse operations; what it
// paints is pinned by the golden picture of render_test.cc.
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
  }
  // The middle of the box of a day of the shown month.
  float BoxX(int d) const {
    return 40.0f * static_cast<float>((c.m_FirstWeekDayInActualMonth + d) % 7) + 50;
  }
  float BoxY(int d) const {
    return 25.0f * static_cast<float>((c.m_FirstWeekDayInActualMonth + d) / 7) + 32;
  }
  void Hover(int d, int16_t button = 0) { c.MouseMove(host, surface, button, 0, BoxX(d), BoxY(d)); }
  size_t Boxes() const {
    size_t n = 0;
    for (const std::string& e : surface.Elements()) n += e.starts_with("<rect");
    return n;
  }

  cCalendar c;
  ScriptedCalendarHost host;
  SvgSurface surface{312, 172};
};

TEST_F(CalendarViewTest, MonthFieldsAndDayHitTest) {
  Show(2023, 14);  // carries into February 2024
  EXPECT_EQ(c.m_ActualMonthOffset, 8797);
  EXPECT_EQ(c.m_FirstWeekDayInActualMonth, 3);
  EXPECT_EQ(c.m_DaysInActualMonth, 29);
  Show(2000, 1);  // starts on a Saturday: column 5
  const std::vector<std::tuple<float, float, int>> hits = {
      {30 + 40 * 5 + 20, 32, 0},   // the 1st: column 5, row 0
      {30 + 20, 25 + 32, 2},       // the 3rd: column 0, row 1
      {30 + 40 * 2 + 20, 32, -1},  // column 2 of row 0: no date
      {100, 20, -1},               // on the title and headers
      {30, 100, -1},
      {310, 100, -1},
      {100, 170, -1},
      {69.4f, 69.4f, 2},                    // rounds to column 0, row 1
      {69.5f, 70, 10},                      // rounds into column 1, row 2
      {50, 44.5f, -1},                      // 24.5 rounds to 24: row 0
      {50, 45.5f, 2},                       // 25.5 rounds to 26: row 1
      {30 + 40 * 4 + 20, 25 * 5 + 32, -1},  // after the 31st
  };
  for (const auto& [x, y, day] : hits) EXPECT_EQ(c.CalcDayFromPosition(x, y), day) << x << "," << y;
}

TEST_F(CalendarViewTest, PressingAndDraggingPaintsTheSelectedDayType) {
  Show(2000, 1);
  c.MouseDown(host, surface, 1, 0, BoxX(0), BoxY(0));  // nothing selected in the list
  EXPECT_EQ(c.GetDayType(0), 0);
  EXPECT_EQ(c.PaintDayType(), -1);

  host.selected_position = 9;  // entry 8: special day type 7
  c.MouseDown(host, surface, 1, 0, BoxX(0), BoxY(0));
  EXPECT_EQ(c.GetDayType(0), 8);
  EXPECT_EQ(Boxes(), 1u);
  c.MouseMove(host, surface, 1, 0, BoxX(0) + 3, BoxY(0));  // same box: nothing more
  Hover(1, 1);
  c.MouseMove(host, surface, 1, 0, BoxX(1) + 2, BoxY(1) + 2);
  EXPECT_EQ(c.GetDayType(1), 8);
  EXPECT_EQ(Boxes(), 2u);
  EXPECT_EQ(surface.ToolTipText(), "item 9");
  c.MouseUp(1, 0, 0, 0);
  Hover(2);
  EXPECT_EQ(c.GetDayType(2), 0);
  EXPECT_EQ(surface.ToolTipText(), "");

  c.MouseDown(host, surface, 1, 0, 100, 10);  // on the headers: no date
  EXPECT_EQ(c.PaintDayType(), 8);
  EXPECT_EQ(Boxes(), 2u);
}

TEST_F(CalendarViewTest, TooltipNamesTheDayTypeAndTheHoliday) {
  host.tables.SetHolidays({cHolidayLabel{3, 7, 0, "Hidden"}, cHolidayLabel{4, 7, -1, "Feast"},
                           cHolidayLabel{4, 7, -1, "Second"}});
  Show(2000, 1);
  c.SetDayType(4, 9);
  Hover(4);
  EXPECT_EQ(surface.ToolTipText(), "item 10 (Feast)");
  Hover(3);  // label not shown in the calendar
  EXPECT_EQ(surface.ToolTipText(), "");
  Hover(4);
  c.MouseMove(host, surface, 0, 0, 5, 5);
  EXPECT_EQ(surface.ToolTipText(), "");

  Show(1999, 12);  // days outside the calendar: every step fails and is skipped
  surface.SetToolTipText("old");
  Hover(0);
  EXPECT_EQ(surface.ToolTipText(), "");
  EXPECT_THROW(c.PaintDateBox(host, surface, 0), SubscriptError);
}

}  // namespace
}  // namespace orlund
