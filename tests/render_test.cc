// orlund-cli render-schedule and render-calendar against the real server.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <memory>

#include "schedule/time_schedule.h"
#include "store/profiles.h"
#include "testing/harness.h"

namespace orlund::testing {
namespace {

// Runs orlund-cli against `port` and returns its exit status.
int RunCli(int port, const std::string& args) {
  std::string command =
      BinDir() + "orlund-cli --port " + std::to_string(port) + " " + args + " >/dev/null 2>&1";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RenderTest, PicturesOfAScheduleAndAMonthFromTheRunningServer) {
  Project project;
  // The holiday file lies in the application directory; run the server
  // with one of its own that also holds the language file.
  std::string app = project.home.path() + "app/";
  WriteFile(app + "Orlund_Texts.ENG", ReadFile(BinDir() + "Orlund_Texts.ENG"));
  std::time_t now = std::time(nullptr);
  std::tm today{};
  localtime_r(&now, &today);
  char month[32], holiday[40];
  std::snprintf(month, sizeof month, "%04d-%02d", today.tm_year + 1900, today.tm_mon + 1);
  // The 28th is a holiday, the 27th a special day type; today is whatever it is.
  std::snprintf(holiday, sizeof holiday, "%s-28", month);
  WriteFile(app + "Orlund_Holidays.ENG", std::string(holiday) + ";7;-1;Test holiday\n");
  cTimeSchedule schedule;
  schedule.AppendPeriod(0, 480, 960);
  ProfileRecord profile;
  profile.ProfileNumber = 1;
  profile.Name = "Day shift";
  WriteFile(project.dir + "Profiles/Profile_0001.dat", EncodeProfileFile(profile, &schedule));
  auto server = project.Start({"/APPPATH:" + app});
  std::string calendar_file = project.home.path() + "calendar.txt";
  WriteFile(calendar_file, std::string(month) + "-27 9\n");
  ASSERT_EQ(RunCli(project.port, "set-calendar " + calendar_file), 0);

  std::string week = project.home.path() + "week.svg";
  ASSERT_EQ(RunCli(project.port, "render-schedule 'day shift' -o " + week), 0);
  std::string svg = ReadFile(week);
  // Monday's bar: 15 lines from x = 126 to x = 222, greens 240 down to 142.
  EXPECT_TRUE(Contains(svg, "x1=\"126\" y1=\"4.5\" x2=\"222\" y2=\"4.5\" stroke=\"#00f000\""));
  EXPECT_TRUE(Contains(svg, "x1=\"126\" y1=\"18.5\" x2=\"222\" y2=\"18.5\" stroke=\"#008e00\""));

  std::string picture = project.home.path() + "month.svg";
  ASSERT_EQ(RunCli(project.port, std::string("render-calendar --month ") + month +
                                     " --profile 'Day shift' -o " + picture),
            0);
  svg = ReadFile(picture);
  EXPECT_TRUE(Contains(svg, "stroke=\"#ffc0c0\""));  // red strip: Sundays and the holiday
  EXPECT_TRUE(Contains(svg, "stroke=\"#00ffff\""));  // blue strip: today
  EXPECT_TRUE(Contains(svg, "fill=\"#d06000\""));    // badge of the special day type

  EXPECT_NE(RunCli(project.port, "render-schedule nobody -o " + week), 0);
  EXPECT_NE(RunCli(project.port, "render-calendar --month 1999-12"), 0);
  int status = server->Stop(SIGTERM);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace orlund::testing
