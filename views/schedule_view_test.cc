// The schedule view's layout, hit tests and mouse operations; what it paints
// is pinned by the golden picture of render_test.cc.
#include <gtest/gtest.h>

#include "schedule/time_schedule.h"
#include "testing/view_test_doubles.h"

namespace orlund {
namespace {

using P = std::vector<std::pair<int, int>>;

// Pointer position of a minute (zoom 1.0) and of the middle of a row.
float X(int minute) { return 30.0f + static_cast<float>(minute) / 5.0f; }
float Y(int row) { return 25.0f * static_cast<float>(row) + 10.0f; }

class ScheduleViewTest : public ::testing::Test {
 protected:
  void Layout() {
    DrawingSurface* paint_object = nullptr;
    s.RecalculateAndPrepareToPaint(host, paint_object, &surface);
  }
  void Press(int minute, int row, int16_t button = 1) {
    s.MouseDown(host, &surface, button, 0, X(minute), Y(row));
  }
  void Move(float x, int row = 0) { s.MouseMove(host, &surface, 1, 0, x, Y(row)); }
  void Release() { s.MouseUp(host, &surface, 1, 0, 0, 0); }
  P Periods(int day_type) const {
    P out;
    for (const auto& p : s.GetPeriods(day_type))
      out.emplace_back(p->m_StartMinute, p->m_StopMinute);
    return out;
  }

  cTimeSchedule s;
  ScriptedScheduleHost host;
  SvgSurface surface{340, 180};
};

TEST_F(ScheduleViewTest, LayoutAndHitTests) {
  Layout();
  EXPECT_EQ(host.log,
            (std::vector<std::string>{"VScrollTop 0", "VScrollLeft 323", "VScrollHeight 180",
                                      "VScrollMax 0", "PictureLeft 0", "PictureTop 0",
                                      "PictureWidth 323", "PictureHeight 179"}));
  int32_t row = -9;
  EXPECT_EQ(s.CalcMinuteFromPosition(host, 30, 10, row), 0);
  EXPECT_EQ(s.CalcMinuteFromPosition(host, 102, 10, row), 360);
  EXPECT_EQ(host.time_text, "06:00");
  EXPECT_EQ(s.CalcMinuteFromPosition(host, 318.9f, 10, row), 1440);  // never past 24:00
  EXPECT_EQ(host.time_text, "24:00");
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

  host.log.clear();
  s.SetActive(8, 1);
  Layout();  // seven rows unless the calendar is used
  EXPECT_EQ(host.log[7], "PictureHeight 179");
  s.m_UseCalendar = -1;
  Layout();
  EXPECT_EQ(host.log[8 + 3], "VScrollMax 4");
  EXPECT_EQ(host.log[8 + 7], "PictureHeight 204");
  EXPECT_EQ(s.GetAxis(8), 7);
  EXPECT_EQ(s.GetAxis(9), 8);  // inactive: the number of active day types below it
}

TEST_F(ScheduleViewTest, PressAndDragSixMinutesCreatesAPeriod) {
  Layout();
  Press(600, 0);
  EXPECT_EQ(s.DragMode(), 3);
  Move(X(605));
  EXPECT_TRUE(s.GetPeriods(0).empty());
  Move(X(600) + 1.2f);  // minute 606
  ASSERT_EQ(Periods(0), (P{{600, 606}}));
  EXPECT_EQ(s.SelectedPeriod(), s.GetPeriods(0)[0].get());
  EXPECT_EQ(surface.MousePointer(), kPointerSizeWestEast);
  Move(X(540));  // dragging left of the press keeps start <= stop
  EXPECT_EQ(Periods(0), (P{{540, 600}}));
  EXPECT_EQ(host.start_text + host.stop_text, "09:0010:00");
  Release();
  EXPECT_EQ(surface.MousePointer(), kPointerDefault);
  EXPECT_EQ(s.DragMode(), 0);
  Move(X(700));  // hovering after the release changes nothing
  EXPECT_EQ(Periods(0), (P{{540, 600}}));

  // The selected period is drawn 64 darker.
  Press(550, 0);
  SvgSurface fresh(340, 180);
  s.PaintAxis(host, &fresh, 0);
  EXPECT_NE(fresh.Svg().find("stroke=\"#00b000\""), std::string::npos);
}

TEST_F(ScheduleViewTest, GrabbingWithinFifteenMinutesMovesAnEnd) {
  s.AppendPeriod(1, 480, 960);
  s.AppendPeriod(0, 480, 600);
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
  Release();

  // A stop dragged past its start becomes a start drag.
  Press(600, 0);
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
  EXPECT_EQ(s.SelectedPeriod(), first);
  // The group received the edit before the merge and merged it itself.
  EXPECT_EQ(Periods(2), (P{{480, 780}}));
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
