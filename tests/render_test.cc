// orlund-cli render-schedule and render-calendar against the real server: the
// pictures of what the server holds are the views' own.
#include "views/render.h"

#include <gtest/gtest.h>

#include "store/profiles.h"
#include "testing/golden.h"
#include "testing/harness.h"

namespace orlund::testing {
namespace {

TEST(RenderTest, PicturesOfAScheduleAndAMonthFromTheRunningServer) {
  Project project;
  // Holidays come from the application directory: one of the test's own.
  std::string app = project.home.path() + "app/";
  WriteFile(app + "Orlund_Texts.ENG", ReadFile(BinDir() + "Orlund_Texts.ENG"));
  WriteFile(app + "Orlund_Holidays.ENG", "2039-12-28;7;-1;Test holiday\n");
  WriteFile(project.dir + "Orlund_Server.ini",
            project.ini + "[Calendar]\nDayType2=" + kGoldenDayType9 + "\n");
  cTimeSchedule schedule;
  FillGoldenSchedule(schedule);
  ProfileRecord profile;
  profile.ProfileNumber = 1;
  profile.Name = "Day shift";
  WriteFile(project.dir + "Profiles/Profile_0001.dat", EncodeProfileFile(profile, &schedule));
  auto server = project.Start({"/APPPATH:" + app});
  WriteFile(project.home.path() + "calendar.txt", "2039-12-27 9\n2039-12-05 6\n");
  const std::string& scratch = project.home.path();
  auto cli = [&](std::vector<std::string> args) {
    return RunCli(project.port, args, scratch).status;
  };
  ASSERT_EQ(cli({"set-calendar", scratch + "calendar.txt"}), 0);

  const std::string out = project.home.path() + "out.svg";
  ASSERT_EQ(cli({"render-schedule", "day shift", "-o", out}), 0);
  // The view's own picture, unchanged, framed with the profile's name.
  const std::string golden =
      ReadFile(std::string(ORLUND_SOURCE_DIR) + "/views/testdata/schedule_view.svg");
  EXPECT_NE(ReadFile(out).find(golden.substr(golden.find("<svg ") + 4)), std::string::npos);
  EXPECT_NE(ReadFile(out).find(">Day shift</text>"), std::string::npos);

  ASSERT_EQ(cli({"render-calendar", "--month", "2039-12", "--profile", "Day shift", "-o", out}), 0);
  cCalendar calendar;
  calendar.SetDayType(14609 - 4, 10);
  calendar.SetDayType(14609 - 26, 7);
  CalendarPicture picture;
  picture.year = 2039;
  picture.month = 12;
  picture.day_type_names = GoldenDayTypeNames();
  picture.holiday_labels = {{14609 - 3, 7, -1, "Test holiday"}};
  picture.schedule = &schedule;
  const std::string view = RenderCalendarSvg(calendar, picture);
  EXPECT_NE(ReadFile(out).find(view.substr(view.find("<svg ") + 4)), std::string::npos);
  EXPECT_NE(ReadFile(out).find(">December 2039 - Day shift</text>"), std::string::npos);

  EXPECT_NE(cli({"render-schedule", "nobody", "-o", out}), 0);
  EXPECT_EQ(cli({"render-calendar", "-o", out}), 0);  // this month
}

}  // namespace
}  // namespace orlund::testing
