#include "server/server_log.h"

#include <stdexcept>

#include "gtest/gtest.h"
#include "testing/fake_transport.h"

namespace orlund {
namespace {

TEST(ServerLogWriterTest, DatedLinesTheSeparatorAloneAndOneFilePerDay) {
  std::vector<std::tm> times = {LocalTime(2023, 12, 31, 23, 59, 59), LocalTime(2024, 1, 1, 0, 0, 0),
                                LocalTime(2024, 1, 1, 0, 0, 1)};
  size_t calls = 0;
  RecordingAlarmLink link;
  ServerLogWriter log(link, "/p/", [&] { return times.at(calls++); });
  log.ServerLog("Client connected 10.0.0.5");
  log.ServerLog("-");
  log.ServerLog(" -");
  EXPECT_EQ(calls, 3u);  // the clock is read once per line
  EXPECT_EQ(link.log,
            (std::vector<std::pair<std::string, std::string>>{
                {"/p/LogFiles/20231231.Log", "23-12-31 23:59:59 XSV Client connected 10.0.0.5"},
                {"/p/LogFiles/20240101.Log", "-"},
                {"/p/LogFiles/20240101.Log", "24-01-01 00:00:01 XSV  -"}}));

  // Nothing in logging reaches the caller.
  struct DownLink : RecordingAlarmLink {
    void SetSysLogEntry(const std::string&, const std::string&) override {
      throw std::runtime_error("down");
    }
  } down;
  EXPECT_NO_THROW(ServerLogWriter(down, "/p/", [] {
                    return LocalTime(2024, 3, 5, 0, 0, 0);
                  }).ServerLog("lost"));
  EXPECT_NO_THROW(ServerLogWriter(link, "/p/", []() -> std::tm {
                    throw std::runtime_error("x");
                  }).ServerLog("lost"));
}

}  // namespace
}  // namespace orlund
