#include "base/errors.h"
#include "testing/view_test_doubles.h"

namespace orlund {
namespace {

using ScheduleEditingTest = ScheduleViewFixture;

TEST_F(ScheduleEditingTest, MergeJoinsOverlappingAndTouchingPeriods) {
  const std::vector<std::pair<P, P>> cases = {
      {{{480, 720}, {720, 960}}, {{480, 960}}},
      {{{600, 660}, {480, 720}}, {{480, 720}}},  // starts inside the later one: that one is A
      {{{480, 540}, {510, 600}, {585, 660}}, {{480, 660}}},  // two passes
      {{{480, 540}, {541, 600}}, {{480, 540}, {541, 600}}},
  };
  for (int d = 0; d < static_cast<int>(cases.size()); ++d) {
    for (auto [start, stop] : cases[d].first) s.AppendPeriod(d, start, stop);
    s.MergeOverlappingPeriods(d);
    EXPECT_EQ(Periods(d), cases[d].second) << d;
  }
  s.MergeOverlappingPeriods(-1);

  // A merged-away selection moves to the survivor.
  s.AppendPeriod(5, 600, 660);
  s.AppendPeriod(5, 480, 720);
  Click(5, 630);
  EXPECT_EQ(s.SelectedPeriod(), s.GetPeriods(5).at(0).get());
}

TEST_F(ScheduleEditingTest, TypedTimesAreNormalisedMergedAndCopiedToTheGroup) {
  s.AppendPeriod(2, 480, 600);
  s.AppendPeriod(2, 1000, 1100);
  s.SetGrouped(2, 1);
  s.SetGrouped(4, 1);
  s.ExtractTimeFromTextboxes(host, &surface);  // no period selected: nothing
  Click(2, 540);
  EXPECT_EQ(host.start_text, "08:00");
  host.start_text = "17:00";
  host.stop_text = "9.00";
  SvgSurface fresh(340, 180);
  s.ExtractTimeFromTextboxes(host, &fresh);
  EXPECT_NE(fresh.Svg().find("stroke=\"#00b000\""), std::string::npos);  // the row repainted
  EXPECT_EQ(host.start_text + "-" + host.stop_text, "09:00-17:00");
  EXPECT_EQ(s.EditStartMinute(), 540);
  EXPECT_EQ(Periods(2), (P{{540, 1100}}));
  EXPECT_EQ(Periods(4), (P{{540, 1100}}));
}

TEST_F(ScheduleEditingTest, DeleteRemovesTheSelectedPeriodLeavesTheGroupAndMerges) {
  s.AppendPeriod(1, 480, 600);
  s.AppendPeriod(1, 700, 800);
  s.SetGrouped(1, 1);
  Press(1, 790);  // a drag of the period's stop begins
  ASSERT_NE(s.DragPeriod(), nullptr);
  s.Delete(host, &surface);
  EXPECT_EQ(Periods(1), (P{{480, 600}}));
  EXPECT_EQ(s.DragPeriod(), nullptr);
  EXPECT_EQ(s.SelectedPeriod(), nullptr);
  EXPECT_EQ(host.start_text, "");
  EXPECT_EQ(s.SelectedDayType(), -1);
  EXPECT_EQ(s.GetGrouped(1), 0);
  s.Delete(host, &surface);  // nothing selected: nothing happens

  // No period under the pointer: the day type still leaves the group, and
  // its periods are merged.
  s.AppendPeriod(1, 550, 650);
  s.SetGrouped(1, 1);
  Press(1, 1000, 2);
  s.Delete(host, &surface);
  EXPECT_EQ(Periods(1), (P{{480, 650}}));
  EXPECT_EQ(s.GetGrouped(1), 0);
}

TEST_F(ScheduleEditingTest, WholeDayReplacesThePeriodsAndDropsTheSelection) {
  s.AppendPeriod(5, 480, 600);
  s.SetGrouped(5, 1);
  Click(5, 500);
  s.SetTimeFrom00to24(host, &surface);
  EXPECT_EQ(Periods(5), (P{{0, 1440}}));
  EXPECT_EQ(s.GetGrouped(5), 0);
  EXPECT_EQ(s.SelectedDayType(), -1);
  EXPECT_EQ(s.SelectedPeriod(), nullptr);  // it no longer exists
}

TEST_F(ScheduleEditingTest, CopyAndPasteCopyPeriodsAndGroupedFlag) {
  s.AppendPeriod(0, 480, 600);
  s.AppendPeriod(0, 590, 700);
  s.SetGrouped(0, 1);
  s.AppendPeriod(3, 0, 60);
  Press(3, 30, 2);
  EXPECT_THROW(s.Paste(host, &surface), SubscriptError);  // nothing held
  Press(0, 100, 2);
  s.Copy();
  s.Paste(host, &surface);  // onto itself: nothing, not even a merge
  EXPECT_EQ(Periods(0), (P{{480, 600}, {590, 700}}));
  Press(3, 30, 2);
  s.Paste(host, &surface);
  EXPECT_EQ(Periods(3), (P{{480, 700}}));
  EXPECT_EQ(s.GetGrouped(3), -1);
  EXPECT_EQ(s.CopiedDayType(), 0);

  s.SetTimeFrom00to24(host, &surface);  // deselects
  EXPECT_NO_THROW(s.Paste(host, &surface));
  EXPECT_EQ(Periods(3), (P{{0, 1440}}));
}

TEST_F(ScheduleEditingTest, JoiningTheGroupTakesTheLowestMembersPeriods) {
  EXPECT_THROW(s.Group(host, &surface), SubscriptError);  // no day type selected
  s.AppendPeriod(0, 480, 600);
  s.AppendPeriod(1, 700, 800);
  s.AppendPeriod(2, 60, 120);
  s.SetGrouped(0, 1);
  s.SetGrouped(1, 1);
  Click(2, 90);
  s.Group(host, &surface);
  EXPECT_EQ(s.GetGrouped(2), -1);
  EXPECT_EQ(Periods(2), (P{{480, 600}}));
  s.Group(host, &surface);  // leaving keeps the periods
  EXPECT_EQ(s.GetGrouped(2), 0);
  s.SetGrouped(0, 0);
  s.SetGrouped(1, 0);
  s.AppendPeriod(2, 500, 900);
  s.Group(host, &surface);  // the only member keeps its own periods
  EXPECT_EQ(Periods(2), (P{{480, 600}, {500, 900}}));
}

TEST_F(ScheduleEditingTest, GroupMonFriTogglesBetweenMondayToFridayAndNone) {
  s.AppendPeriod(0, 480, 960);
  s.AppendPeriod(3, 0, 60);
  s.SetGrouped(6, 1);
  s.SetGrouped(12, 1);
  s.GroupMonFri(host, &surface);
  for (int d = 0; d < kDayTypeCount; ++d) EXPECT_EQ(s.GetGrouped(d), d <= 4 ? -1 : 0) << d;
  for (int d = 1; d <= 4; ++d) EXPECT_EQ(Periods(d), (P{{480, 960}})) << d;
  EXPECT_FALSE(surface.Elements().empty());  // repainted

  s.AppendPeriod(2, 1000, 1100);
  host.mon_fri_checked = -1;
  s.GroupMonFri(host, &surface);
  for (int d = 0; d < kDayTypeCount; ++d) EXPECT_EQ(s.GetGrouped(d), 0) << d;
  EXPECT_EQ(Periods(2), (P{{480, 960}, {1000, 1100}}));
}

}  // namespace
}  // namespace orlund
