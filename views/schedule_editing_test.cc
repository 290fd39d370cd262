#include <gtest/gtest.h>

#include "base/errors.h"
#include "schedule/time_schedule.h"
#include "testing/view_test_doubles.h"

namespace orlund {
namespace {

using P = std::vector<std::pair<int, int>>;

class ScheduleEditingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DrawingSurface* paint_object = nullptr;
    s.RecalculateAndPrepareToPaint(host, paint_object, &surface);
  }
  // A left click on a day type's row at a minute: selects the day type and
  // the period under the pointer.
  void Click(int day_type, int minute) {
    s.MouseDown(host, &surface, 1, 0, 30.0f + static_cast<float>(minute) / 5.0f,
                25.0f * static_cast<float>(day_type) + 10.0f);
    s.MouseUp(host, &surface, 1, 0, 0, 0);
  }
  P Periods(int day_type) const {
    P out;
    for (const auto& p : s.GetPeriods(day_type))
      out.emplace_back(p->m_StartMinute, p->m_StopMinute);
    return out;
  }

  cTimeSchedule s;
  ScriptedScheduleHost host;
  RecordingSurface surface;
};

TEST(TimeTextTest, HoursAndMinutesWithTwoDigitsEach) {
  EXPECT_EQ(MinutesToTimeText(450), "07:30");
  EXPECT_EQ(MinutesToTimeText(1440), "24:00");
  EXPECT_EQ(MinutesToTimeText(0), "00:00");
}

TEST_F(ScheduleEditingTest, MergeJoinsOverlappingAndTouchingPeriods) {
  s.AppendPeriod(0, 480, 720);
  s.AppendPeriod(0, 720, 960);
  s.AppendPeriod(1, 600, 660);  // starts inside the later one: that one is A
  s.AppendPeriod(1, 480, 720);
  s.AppendPeriod(2, 480, 540);  // two passes: the third joins the grown first
  s.AppendPeriod(2, 510, 600);
  s.AppendPeriod(2, 585, 660);
  s.AppendPeriod(3, 480, 540);
  s.AppendPeriod(3, 541, 600);
  for (int d = 0; d < 4; ++d) s.MergeOverlappingPeriods(d);
  s.MergeOverlappingPeriods(-1);
  EXPECT_EQ(Periods(0), (P{{480, 960}}));
  EXPECT_EQ(Periods(1), (P{{480, 720}}));
  EXPECT_EQ(Periods(2), (P{{480, 660}}));
  EXPECT_EQ(Periods(3), (P{{480, 540}, {541, 600}}));
}

TEST_F(ScheduleEditingTest, MergedAwaySelectionMovesToTheSurvivor) {
  s.AppendPeriod(0, 600, 660);
  s.AppendPeriod(0, 480, 720);
  Click(0, 630);  // selects the first, which then merges into the second
  EXPECT_EQ(Periods(0), (P{{480, 720}}));
  EXPECT_EQ(s.SelectedPeriod(), s.GetPeriods(0)[0].get());
}

TEST_F(ScheduleEditingTest, TypedTimesAreNormalisedMergedAndCopiedToTheGroup) {
  s.AppendPeriod(2, 480, 600);
  s.AppendPeriod(2, 1000, 1100);
  s.SetGrouped(2, 1);
  s.SetGrouped(4, 1);
  Click(2, 540);
  EXPECT_EQ(host.start_text, "08:00");
  host.start_text = "17:00";
  host.stop_text = "9.00";
  s.ExtractTimeFromTextboxes(host, &surface);
  EXPECT_EQ(host.start_text, "09:00");
  EXPECT_EQ(host.stop_text, "17:00");
  EXPECT_EQ(s.EditStartMinute(), 540);
  EXPECT_EQ(Periods(2), (P{{540, 1100}}));
  EXPECT_EQ(Periods(4), (P{{540, 1100}}));

  host.start_text = "12";  // a zero-length period is accepted
  host.stop_text = "12:00";
  s.ExtractTimeFromTextboxes(host, &surface);
  EXPECT_EQ(Periods(2), (P{{720, 720}}));
}

TEST_F(ScheduleEditingTest, DeleteRemovesTheSelectedPeriodAndLeavesTheGroup) {
  s.AppendPeriod(1, 480, 600);
  s.AppendPeriod(1, 700, 800);
  s.SetGrouped(1, 1);
  Click(1, 750);
  s.Delete(host, &surface);
  EXPECT_EQ(Periods(1), (P{{480, 600}}));
  EXPECT_EQ(host.start_text, "");
  EXPECT_EQ(s.SelectedPeriod(), nullptr);
  EXPECT_EQ(s.SelectedDayType(), -1);
  EXPECT_EQ(s.GetGrouped(1), 0);

  s.SetGrouped(1, 1);
  Click(1, 650);  // no period under the pointer
  s.Delete(host, &surface);
  EXPECT_EQ(Periods(1), (P{{480, 600}}));
  EXPECT_EQ(s.GetGrouped(1), 0);
  EXPECT_EQ(s.SelectedDayType(), -1);
  s.Delete(host, &surface);  // nothing selected: nothing happens
}

TEST_F(ScheduleEditingTest, WholeDayReplacesThePeriodsAndDropsTheSelection) {
  s.AppendPeriod(5, 480, 600);
  s.SetGrouped(5, 1);
  Click(5, 500);
  ASSERT_NE(s.SelectedPeriod(), nullptr);
  s.SetTimeFrom00to24(host, &surface);
  EXPECT_EQ(Periods(5), (P{{0, 1440}}));
  EXPECT_EQ(s.GetGrouped(5), 0);
  EXPECT_EQ(s.SelectedDayType(), -1);
  // The selected period no longer exists, so it is no longer selected.
  EXPECT_EQ(s.SelectedPeriod(), nullptr);
  s.ExtractTimeFromTextboxes(host, &surface);
  EXPECT_EQ(Periods(5), (P{{0, 1440}}));
}

TEST_F(ScheduleEditingTest, CopyAndPasteCopyPeriodsAndGroupedFlag) {
  s.AppendPeriod(0, 480, 600);
  s.AppendPeriod(0, 590, 700);
  s.SetGrouped(0, 1);
  s.AppendPeriod(3, 0, 60);
  Click(3, 30);
  EXPECT_THROW(s.Paste(host, &surface), SubscriptError);  // nothing held
  Click(0, 100);                                          // the release merges Monday's periods
  s.Copy();
  s.Paste(host, &surface);  // onto itself: nothing
  EXPECT_EQ(Periods(0), (P{{480, 700}}));
  Click(3, 30);
  s.Paste(host, &surface);
  EXPECT_EQ(Periods(3), (P{{480, 700}}));
  EXPECT_EQ(s.GetGrouped(3), -1);
  EXPECT_EQ(s.CopiedDayType(), 0);
  EXPECT_NE(s.GetPeriods(3)[0].get(), s.GetPeriods(0)[0].get());
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
  EXPECT_EQ(Periods(2), (P{{480, 600}}));

  s.SetGrouped(0, 0);
  s.SetGrouped(1, 0);
  s.Group(host, &surface);  // the only member keeps its own periods
  EXPECT_EQ(Periods(2), (P{{480, 600}}));
}

TEST_F(ScheduleEditingTest, GroupMonFriTogglesBetweenMondayToFridayAndNone) {
  s.AppendPeriod(0, 480, 960);
  s.AppendPeriod(3, 0, 60);
  s.SetGrouped(6, 1);
  s.SetGrouped(12, 1);
  host.mon_fri_checked = 0;
  s.GroupMonFri(host, &surface);
  for (int d = 0; d < kDayTypeCount; ++d) EXPECT_EQ(s.GetGrouped(d), d <= 4 ? -1 : 0) << d;
  for (int d = 1; d <= 4; ++d) EXPECT_EQ(Periods(d), (P{{480, 960}})) << d;
  EXPECT_FALSE(surface.Of(DrawCall::kLine, Rgb(148, 148, 148)).empty());  // repainted

  s.AppendPeriod(2, 1000, 1100);
  host.mon_fri_checked = -1;
  s.GroupMonFri(host, &surface);
  for (int d = 0; d < kDayTypeCount; ++d) EXPECT_EQ(s.GetGrouped(d), 0) << d;
  EXPECT_EQ(Periods(2), (P{{480, 960}, {1000, 1100}}));
}

}  // namespace
}  // namespace orlund
