#include <gtest/gtest.h>

#include "base/errors.h"
#include "schedule/time_schedule.h"
#include "testing/view_test_doubles.h"
#include "views/drawing_surface.h"

namespace orlund {
namespace {

// Pointer position of a minute (zoom 1.0) and of the middle of a row.
float X(int minute) { return 30.0f + static_cast<float>(minute) / 5.0f; }
float Y(int row) { return 25.0f * static_cast<float>(row) + 10.0f; }

class ScheduleViewTest : public ::testing::Test {
 protected:
  void Layout() {
    DrawingSurface* paint_object = nullptr;
    s.RecalculateAndPrepareToPaint(host, paint_object, &surface);
    ASSERT_EQ(paint_object, &surface);
  }
  void Press(int minute, int row, int16_t button = 1) {
    s.MouseDown(host, &surface, button, 0, X(minute), Y(row));
  }
  void Move(float x, int row = 0) { s.MouseMove(host, &surface, 1, 0, x, Y(row)); }
  void Release() { s.MouseUp(host, &surface, 1, 0, 0, 0); }
  std::vector<std::pair<int, int>> Periods(int day_type) const {
    std::vector<std::pair<int, int>> out;
    for (const auto& p : s.GetPeriods(day_type))
      out.emplace_back(p->m_StartMinute, p->m_StopMinute);
    return out;
  }
  using P = std::vector<std::pair<int, int>>;

  cTimeSchedule s;
  ScriptedScheduleHost host;
  RecordingSurface surface;
};

TEST_F(ScheduleViewTest, MinuteAndRowHitTestsAtTheEdges) {
  Layout();
  int32_t row = -9;
  EXPECT_EQ(s.CalcMinuteFromPosition(host, 30, 10, row), 0);
  EXPECT_EQ(s.CalcMinuteFromPosition(host, 102, 10, row), 360);
  EXPECT_EQ(host.time_text, "06:00");
  EXPECT_EQ(s.CalcMinuteFromPosition(host, 318, 10, row), 1440);
  EXPECT_EQ(host.time_text, "24:00");
  EXPECT_EQ(s.CalcMinuteFromPosition(host, 318.9f, 10, row), 1440);  // never past 24:00
  EXPECT_EQ(s.CalcMinuteFromPosition(host, 29, 10, row), -2);
  EXPECT_EQ(s.CalcMinuteFromPosition(host, 319, 10, row), -1);
  EXPECT_EQ(s.CalcMinuteFromPosition(host, 100, 4, row), -3);
  EXPECT_EQ(s.CalcMinuteFromPosition(host, 100, 175, row), -3);  // 7 rows end at y = 175
  s.CalcMinuteFromPosition(host, 100, 16, row);
  EXPECT_EQ(row, 0);
  s.CalcMinuteFromPosition(host, 100, 17, row);
  EXPECT_EQ(row, 1);

  // y = 174 rounds to an eighth row, which has no day type: nothing happens.
  s.MouseDown(host, &surface, 1, 0, 100, 174);
  EXPECT_EQ(s.SelectedDayType(), -1);
  EXPECT_EQ(s.DragMode(), 0);
}

TEST_F(ScheduleViewTest, LayoutCountsActiveDayTypesOnlyWhenTheCalendarIsUsed) {
  s.SetActive(8, 1);
  s.SetActive(12, 1);
  Layout();
  EXPECT_EQ(s.m_NumberOfAxisToPaint, 7);
  EXPECT_EQ(host.log,
            (std::vector<std::string>{"VScrollTop 0", "VScrollLeft 323", "VScrollHeight 180",
                                      "VScrollMax 0", "PictureLeft 0", "PictureTop 0",
                                      "PictureWidth 323", "PictureHeight 179"}));
  EXPECT_EQ(s.GetAxis(8), 7);
  EXPECT_EQ(s.GetAxis(9), 8);  // inactive: the number of active day types below it
  EXPECT_EQ(s.GetAxis(12), 8);

  host.log.clear();
  s.m_UseCalendar = -1;
  s.SetActive(6, 0);
  Layout();
  EXPECT_EQ(s.m_NumberOfAxisToPaint, 8);
  EXPECT_EQ(host.log[3], "VScrollMax 4");
  EXPECT_EQ(host.log[7], "PictureHeight 204");
  EXPECT_EQ(s.GetAxis(8), 6);
}

TEST_F(ScheduleViewTest, PeriodBarRunsFrom126To222InTheBarGreens) {
  s.AppendPeriod(0, 480, 960);
  s.SetGrouped(0, 1);
  host.tables.ShortDayTypeNames[0] = "Mo";
  host.tables.DayTypeNames[0] = "Monday";
  host.view_day_type = -1;
  Layout();
  s.PaintAxis(host, &surface, 0);

  // Grid end, 15 background lines, 15 bar lines, 2 bar ends, 5 marker lines.
  std::vector<DrawCall> lines = surface.Of(DrawCall::kLine);
  ASSERT_EQ(lines.size(), 1u + 15 + 15 + 2 + 5);
  EXPECT_EQ(lines[15].colour, Rgb(122, 122, 122));
  EXPECT_EQ(lines[15].x2, 318);
  for (int i = 0; i < 15; ++i) {
    const DrawCall& bar = lines[16 + static_cast<size_t>(i)];
    EXPECT_EQ(bar.colour, Rgb(0, 240 - 7 * i, 0)) << i;
    EXPECT_EQ(bar.x1, 126);
    EXPECT_EQ(bar.x2, 222);
    EXPECT_EQ(bar.y1, 4 + i);
  }
  EXPECT_EQ(lines[32].x1, 222);  // black bar end, 15 down
  EXPECT_EQ(lines[32].y2, 19);
  EXPECT_EQ(lines[37].colour, Rgb(205, 205, 205));  // last line of the group marker
  EXPECT_EQ(lines[37].x1, 317);
  EXPECT_EQ(lines[37].x2, 316);
  std::vector<DrawCall> texts = surface.Of(DrawCall::kText);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "Mo");
  EXPECT_EQ(texts[0].x1, 16);  // right end 2 left of x = 30
  EXPECT_EQ(texts[0].y1, 5);
  EXPECT_EQ(texts[1].text, "Monday");
  EXPECT_EQ(texts[1].x1, 156);  // centred in the time area

  // The selected period is drawn 64 darker.
  Press(600, 0);
  surface.calls.clear();
  s.PaintAxis(host, &surface, 0);
  EXPECT_EQ(surface.Of(DrawCall::kLine, Rgb(0, 240 - 64, 0)).size(), 1u);
}

TEST_F(ScheduleViewTest, SpecialDayTypeRowsShowTheirImage) {
  s.m_UseCalendar = -1;
  s.SetActive(8, 1);
  Layout();
  s.PaintAxis(host, &surface, 8);
  // Row 7, top 179: y = (15 - 16) / 2 + 179 = 178.5, rounded to even.
  EXPECT_EQ(host.log.back(), "Image 2 77 10 178");
  EXPECT_THROW(s.PaintAxis(host, &surface, 23), SubscriptError);
}

TEST_F(ScheduleViewTest, PaintDrawsGridSeparatorsAndActiveRowsOnly) {
  s.SetActive(3, 0);
  s.SetActive(8, 1);  // active, but beyond the seven rows
  Layout();
  s.Paint(host, &surface);
  EXPECT_EQ(surface.Of(DrawCall::kLine, Rgb(148, 148, 148)).size(), 25u + 7);
  EXPECT_EQ(surface.Of(DrawCall::kLine, kColourWhite).size(), 7u);
  // Background lines: 15 per painted row, six weekdays and day type 8.
  EXPECT_EQ(surface.Of(DrawCall::kLine, Rgb(220, 220, 220)).size(), 7u);

  surface.calls.clear();
  s.PaintAxis(host, &surface, 3);  // no row of its own: nothing drawn
  s.Paint(host, nullptr);
  EXPECT_TRUE(surface.calls.empty());
}

TEST_F(ScheduleViewTest, PressAndDragSixMinutesCreatesAPeriod) {
  Layout();
  Press(600, 0);
  EXPECT_EQ(s.DragMode(), 3);
  EXPECT_EQ(host.start_text, "");
  Move(X(605));
  EXPECT_TRUE(s.GetPeriods(0).empty());
  Move(X(600) + 1.2f);  // minute 606
  ASSERT_EQ(Periods(0), (P{{600, 606}}));
  EXPECT_EQ(s.SelectedPeriod(), s.GetPeriods(0)[0].get());
  EXPECT_EQ(surface.pointer, kPointerSizeWestEast);
  Move(X(540));  // dragging left of the press keeps start <= stop
  EXPECT_EQ(Periods(0), (P{{540, 600}}));
  EXPECT_EQ(host.start_text, "09:00");
  EXPECT_EQ(host.stop_text, "10:00");
  Release();
  EXPECT_EQ(surface.pointer, kPointerDefault);
  EXPECT_EQ(s.DragMode(), 0);
  EXPECT_EQ(s.DragPeriod(), nullptr);
  Move(X(700));  // hovering after the release changes nothing
  EXPECT_EQ(Periods(0), (P{{540, 600}}));
}

TEST_F(ScheduleViewTest, GrabbingWithinFifteenMinutesOfAStartMovesIt) {
  s.AppendPeriod(1, 480, 960);
  Layout();
  Press(490, 1);
  EXPECT_EQ(s.DragMode(), 1);
  EXPECT_EQ(host.start_text, "08:00");
  Move(X(420), 1);
  EXPECT_EQ(Periods(1), (P{{420, 960}}));
  Release();

  Press(435, 1);  // 15 minutes from the start: a new period instead
  EXPECT_EQ(s.DragMode(), 3);
  EXPECT_EQ(s.DragPeriod(), nullptr);
  Release();
  Press(950, 1);
  EXPECT_EQ(s.DragMode(), 2);
}

TEST_F(ScheduleViewTest, DraggingAStopPastItsStartBecomesAStartDrag) {
  s.AppendPeriod(0, 480, 600);
  Layout();
  Press(600, 0);
  ASSERT_EQ(s.DragMode(), 2);
  Move(X(400));
  EXPECT_EQ(Periods(0), (P{{400, 480}}));
  EXPECT_EQ(s.DragMode(), 1);
  Move(X(420));
  EXPECT_EQ(Periods(0), (P{{420, 480}}));
}

TEST_F(ScheduleViewTest, ReleaseMergesTouchingPeriodsAndCopiesToTheGroup) {
  s.AppendPeriod(0, 480, 600);
  s.AppendPeriod(0, 720, 780);
  s.AppendPeriod(2, 0, 60);
  s.SetGrouped(0, 1);
  s.SetGrouped(2, 1);
  Layout();
  Press(600, 0);
  const cTimeSchedulePeriod* first = s.GetPeriods(0)[0].get();
  Move(X(720));
  Release();
  EXPECT_EQ(Periods(0), (P{{480, 780}}));
  EXPECT_EQ(s.GetPeriods(0)[0].get(), first);
  EXPECT_EQ(s.SelectedPeriod(), first);
  // The group received the edit before the merge and merged it itself.
  EXPECT_EQ(Periods(2), (P{{480, 780}}));
  EXPECT_NE(s.GetPeriods(2)[0].get(), first);
  EXPECT_TRUE(Periods(1).empty());
}

TEST_F(ScheduleViewTest, RightButtonSetsTheMenuStates) {
  for (int d = 0; d < 5; ++d) s.SetGrouped(d, 1);
  s.AppendPeriod(0, 480, 600);
  Layout();
  Press(500, 0);
  Release();
  host.log.clear();
  Press(500, 3, 2);
  EXPECT_EQ(host.log,
            (std::vector<std::string>{"MonFri -1", "Grouped -1", "Paste 0", "Delete -1"}));
  EXPECT_EQ(s.SelectedDayType(), 3);
  EXPECT_NE(s.SelectedPeriod(), nullptr);  // the right button keeps the period

  s.Copy();
  s.SetGrouped(6, 1);
  host.log.clear();
  Press(500, 6, 2);
  EXPECT_EQ(host.log,
            (std::vector<std::string>{"MonFri 0", "Grouped -1", "Paste -1", "Delete -1"}));
}

}  // namespace
}  // namespace orlund
