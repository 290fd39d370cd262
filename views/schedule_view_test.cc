// The schedule view's layout, hit tests and mouse operations; what it paints
// is pinned by the golden picture of render_test.cc.
#include "testing/view_test_doubles.h"

namespace orlund {
namespace {

using ScheduleViewTest = ScheduleViewFixture;

TEST_F(ScheduleViewTest, LayoutAndHitTests) {
  EXPECT_EQ(host.log,
            (std::vector<std::string>{"VScrollTop 0", "VScrollLeft 323", "VScrollHeight 180",
                                      "VScrollMax 0", "PictureLeft 0", "PictureTop 0",
                                      "PictureWidth 323", "PictureHeight 179"}));
  const std::vector<std::tuple<float, float, int32_t>> hits = {
      {30, 10, 0},    {102, 10, 360}, {318.9f, 10, 1440},  // never past 24:00
      {29, 10, -2},   {319, 10, -1},  {100, 4, -3},
      {100, 175, -3},  // seven rows end at y = 175
  };
  int32_t row = -9;
  for (const auto& [x, y, minute] : hits)
    EXPECT_EQ(s.CalcMinuteFromPosition(host, x, y, row), minute);
  EXPECT_EQ(host.time_text, "24:00");
  s.CalcMinuteFromPosition(host, 100, 16, row);
  EXPECT_EQ(row, 0);
  s.CalcMinuteFromPosition(host, 100, 17, row);
  EXPECT_EQ(row, 1);
  // y = 174 rounds to an eighth row, which has no day type: nothing happens.
  s.MouseDown(host, &surface, 1, 0, 100, 174);
  EXPECT_EQ(s.SelectedDayType(), -1);

  host.log.clear();
  s.SetActive(8, 1);
  s.m_UseCalendar = -1;  // one row per active day type, not seven
  Layout();
  EXPECT_EQ(host.log[3], "VScrollMax 4");
  EXPECT_EQ(host.log[7], "PictureHeight 204");
  EXPECT_EQ(s.GetAxis(8), 7);
  EXPECT_EQ(s.GetAxis(9), 8);  // inactive: the number of active day types below it
}

TEST_F(ScheduleViewTest, PressAndDragSixMinutesCreatesAPeriod) {
  Press(0, 600);
  EXPECT_EQ(s.DragMode(), 3);
  Move(0, 605);
  EXPECT_TRUE(s.GetPeriods(0).empty());
  Move(0, 606);
  ASSERT_EQ(Periods(0), (P{{600, 606}}));
  EXPECT_EQ(s.SelectedPeriod(), s.GetPeriods(0)[0].get());
  EXPECT_EQ(surface.MousePointer(), kPointerSizeWestEast);
  Move(0, 540);  // dragging left of the press keeps start <= stop
  EXPECT_EQ(host.start_text + host.stop_text, "09:0010:00");
  Release();
  EXPECT_EQ(surface.MousePointer(), kPointerDefault);
  Move(0, 700);  // hovering after the release changes nothing
  EXPECT_EQ(Periods(0), (P{{540, 600}}));
}

TEST_F(ScheduleViewTest, GrabbingWithinFifteenMinutesMovesAnEnd) {
  s.AppendPeriod(1, 480, 960);
  s.AppendPeriod(0, 480, 600);
  Press(1, 490);
  EXPECT_EQ(s.DragMode(), 1);
  EXPECT_EQ(host.start_text, "08:00");
  Move(1, 420);
  EXPECT_EQ(Periods(1), (P{{420, 960}}));
  Release();
  Press(1, 435);  // 15 minutes from the start: a new period instead
  EXPECT_EQ(s.DragMode(), 3);
  Release();
  Press(0, 600);  // a stop dragged past its start becomes a start drag
  Move(0, 400);
  EXPECT_EQ(Periods(0), (P{{400, 480}}));
  EXPECT_EQ(s.DragMode(), 1);
  Move(0, 420);
  EXPECT_EQ(Periods(0), (P{{420, 480}}));
}

TEST_F(ScheduleViewTest, ReleaseCopiesToTheGroupAndMerges) {
  s.AppendPeriod(0, 480, 600);
  s.AppendPeriod(0, 720, 780);
  s.AppendPeriod(2, 0, 60);
  s.SetGrouped(0, 1);
  s.SetGrouped(2, 1);
  Press(0, 600);
  const cTimeSchedulePeriod* first = s.GetPeriods(0)[0].get();
  Move(0, 720);
  Release();
  EXPECT_EQ(Periods(0), (P{{480, 780}}));
  EXPECT_EQ(s.SelectedPeriod(), first);
  EXPECT_EQ(Periods(2), (P{{480, 780}}));
  EXPECT_TRUE(Periods(1).empty());  // not in the group: untouched
}

TEST_F(ScheduleViewTest, RightButtonSetsTheMenuStates) {
  for (int d = 0; d < 5; ++d) s.SetGrouped(d, 1);
  s.AppendPeriod(0, 480, 600);
  Click(0, 500);
  host.log.clear();
  Press(3, 500, 2);
  EXPECT_EQ(host.log,
            (std::vector<std::string>{"MonFri -1", "Grouped -1", "Paste 0", "Delete -1"}));
  EXPECT_EQ(s.SelectedDayType(), 3);
  EXPECT_NE(s.SelectedPeriod(), nullptr);  // the right button keeps the period
  s.Copy();
  s.SetGrouped(6, 1);
  host.log.clear();
  Press(6, 500, 2);
  EXPECT_EQ(host.log,
            (std::vector<std::string>{"MonFri 0", "Grouped -1", "Paste -1", "Delete -1"}));
}

}  // namespace
}  // namespace orlund
