#include "protocol/traffic_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "testing/fake_transport.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

constexpr auto At = LocalTime;

TEST(TrafficLogTest, RecordsAreTaggedItemsWithThePayloadCutTo65535Bytes) {
  EXPECT_EQ(TrafficRecord("L", "1.2.3.4:5", DirectionReceived, 5, ""),
            std::string("\x08\x00\x01\x00L\x08\x00\x09\x00"
                        "1.2.3.4:5\x02\x00\x00\x00"
                        "\x02\x00\x05\x00\x08\x00\x00\x00",
                        30));
  const std::string payload(70000, '\xAB');
  const std::string record = TrafficRecord("line", "peer", DirectionSent, 190, payload);
  EXPECT_EQ(record.substr(24), std::string("\x08\x00\xFF\xFF", 4) + payload.substr(0, 65535));
}

TEST(TrafficLogTest, PacketListKeepsTheNewest200AndEchoesEachLine) {
  std::ostringstream echo;
  PacketList list(&echo);
  for (int i = 0; i < 250; ++i) list.Add("line " + std::to_string(i));
  ASSERT_EQ(list.lines().size(), 200u);
  EXPECT_EQ(list.lines().front(), "line 50");
  EXPECT_EQ(list.lines().back(), "line 249");
  const std::string echoed = echo.str();
  EXPECT_EQ(echoed.substr(0, 14), "line 0\nline 1\n");
  EXPECT_EQ(std::count(echoed.begin(), echoed.end(), '\n'), 250);
}

TEST(TrafficFileTest, RecordsOfOneDayGoToOneFileAndFailuresAreReported) {
  TestTempDir project;
  const std::string dir = TrafficLogDirectory(project.path());
  const std::tm day = At(2024, 3, 5, 23, 59, 59);
  const std::string first = TrafficRecord("a", "p:1", DirectionSent, 5, "");
  const std::string second = TrafficRecord("b", "p:1", DirectionReceived, 6, "pw");
  EXPECT_TRUE(AppendTrafficRecord(dir, day, first));
  EXPECT_TRUE(AppendTrafficRecord(dir, day, second));
  EXPECT_TRUE(AppendTrafficRecord(dir, At(2024, 3, 6, 0, 0, 0), first));
  EXPECT_EQ(project.Get("LogFiles/20240305_ActiveX_Log.bin"), first + second);
  EXPECT_EQ(project.Get("LogFiles/20240306_ActiveX_Log.bin"), first);

  // The project directory itself is missing: only LogFiles would be created.
  EXPECT_FALSE(AppendTrafficRecord(project.path() + "missing/LogFiles", day, "x"));
  EXPECT_FALSE(project.Has("missing"));
  project.Put("Plain/LogFiles", "not a directory");
  EXPECT_FALSE(AppendTrafficRecord(project.path() + "Plain/LogFiles", day, "x"));
}

}  // namespace
}  // namespace orlund
