#include "server/server_log.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "alarmlink/alarm_library.h"
#include "gtest/gtest.h"

namespace orlund {
namespace {

std::tm MakeTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm when{};
  when.tm_year = year - 1900;
  when.tm_mon = month - 1;
  when.tm_mday = day;
  when.tm_hour = hour;
  when.tm_min = minute;
  when.tm_sec = second;
  return when;
}

TEST(ClockFormatTest, TwoDigitFieldsAndFourDigitFileYear) {
  EXPECT_EQ(FormatLogDateTime(MakeTime(2024, 3, 5, 14, 7, 9)), "24-03-05 14:07:09");
  EXPECT_EQ(FormatLogDateTime(MakeTime(2000, 12, 31, 0, 0, 0)), "00-12-31 00:00:00");
  EXPECT_EQ(FormatFileDate(MakeTime(2024, 3, 5, 14, 7, 9)), "20240305");
  EXPECT_EQ(FormatFileDate(MakeTime(2039, 12, 31, 23, 59, 59)), "20391231");
}

class ServerLogWriterTest : public ::testing::Test {
 protected:
  // Each call of the clock hands out the next of `times_`.
  LocalClock Clock() {
    return [this] { return times_.at(clock_calls_++); };
  }
  RecordingAlarmLink link_;
  std::vector<std::tm> times_;
  size_t clock_calls_ = 0;
};

TEST_F(ServerLogWriterTest, DatedLinesWithMarkerAndTheSeparatorAlone) {
  times_.assign(4, MakeTime(2024, 3, 5, 14, 7, 9));
  ServerLogWriter log(link_, "/srv/project/", Clock());
  log.ServerLog("Client connected 10.0.0.5");
  log.ServerLog("");
  log.ServerLog("-");
  log.ServerLog(" -");
  ASSERT_EQ(link_.log.size(), 4u);
  EXPECT_EQ(link_.log[0].first, "/srv/project/LogFiles/20240305.Log");
  EXPECT_EQ(link_.log[0].second, "24-03-05 14:07:09 XSV Client connected 10.0.0.5");
  EXPECT_EQ(link_.log[1].second, "24-03-05 14:07:09 XSV ");
  EXPECT_EQ(link_.log[2].first, "/srv/project/LogFiles/20240305.Log");
  EXPECT_EQ(link_.log[2].second, "-");
  EXPECT_EQ(link_.log[3].second, "24-03-05 14:07:09 XSV  -");
}

TEST_F(ServerLogWriterTest, MidnightSplitsFilesAndReadsTheClockOncePerLine) {
  times_ = {MakeTime(2023, 12, 31, 23, 59, 59), MakeTime(2024, 1, 1, 0, 0, 0)};
  ServerLogWriter log(link_, "/p/", Clock());
  log.ServerLog("before");
  log.ServerLog("after");
  EXPECT_EQ(clock_calls_, 2u);
  ASSERT_EQ(link_.log.size(), 2u);
  EXPECT_EQ(link_.log[0].first, "/p/LogFiles/20231231.Log");
  EXPECT_EQ(link_.log[0].second, "23-12-31 23:59:59 XSV before");
  EXPECT_EQ(link_.log[1].first, "/p/LogFiles/20240101.Log");
  EXPECT_EQ(link_.log[1].second, "24-01-01 00:00:00 XSV after");
}

TEST_F(ServerLogWriterTest, FailuresNeverReachTheCaller) {
  struct ThrowingLink : AlarmLink {
    int32_t SetCommandEntry(const std::string&) override { throw std::runtime_error("down"); }
    void SetSysLogEntry(const std::string&, const std::string&) override {
      throw std::runtime_error("down");
    }
  } broken;
  ServerLogWriter log(broken, "/p/", [] { return MakeTime(2024, 3, 5, 0, 0, 0); });
  EXPECT_NO_THROW(log.ServerLog("lost"));
  ServerLogWriter no_clock(broken, "/p/", []() -> std::tm { throw std::runtime_error("x"); });
  EXPECT_NO_THROW(no_clock.ServerLog("lost"));
}

TEST(ServerLogFileTest, WritesTheDailyFileThroughTheBuiltLibrary) {
  char pattern[] = "/tmp/server_log_test_XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  std::filesystem::path dir = pattern;
  {
    AlarmLibrary library(std::string(ORLUND_BIN_DIR) + "/liborlund2.so");
    ServerLogWriter log(library, dir.string() + "/", [] { return MakeTime(2024, 3, 5, 1, 2, 3); });
    log.ServerLog("-");
    log.ServerLog("started");
  }
  std::ifstream in(dir / "LogFiles" / "20240305.Log", std::ios::binary);
  std::string content(std::istreambuf_iterator<char>(in), {});
  EXPECT_EQ(content, "-\n24-03-05 01:02:03 XSV started\n");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace orlund
