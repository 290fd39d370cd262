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

TEST(TrafficLogTest, ScheduledEchoGathersLinesInOrderUntilTheFlushOrAFullBlock) {
  std::ostringstream echo;
  PacketList list(&echo);
  int scheduled = 0;
  list.SetFlushScheduler([&scheduled] { ++scheduled; });
  list.Add("first");
  list.Add("second");
  EXPECT_EQ(scheduled, 1);
  EXPECT_EQ(echo.str(), "");
  list.Flush();
  EXPECT_EQ(echo.str(), "first\nsecond\n");

  // A burst larger than one block reaches the stream before the flush, whole
  // lines in order, and the flush brings the rest.
  echo.str("");
  const std::string line(99, 'x');
  const size_t count = PacketList::kEchoBlock / 100 + 10;
  for (size_t i = 0; i < count; ++i) list.Add(line);
  EXPECT_EQ(scheduled, 2);
  EXPECT_GE(echo.str().size(), PacketList::kEchoBlock);
  EXPECT_EQ(echo.str().size() % 100, 0u);
  list.Flush();
  EXPECT_EQ(echo.str().size(), count * 100);

  // Without a scheduler, lines waiting from before go out first.
  list.Add("waiting");
  list.SetFlushScheduler({});
  list.Add("now");
  EXPECT_EQ(echo.str().substr(count * 100), "waiting\nnow\n");
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
