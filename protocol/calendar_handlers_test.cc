#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>

#include "base/file_utils.h"
#include "protocol/codec.h"
#include "store/holidays.h"
#include "store/ini_file.h"
#include "testing/handler_testing.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

// A type 180/181 payload; `count` overrides the number of pairs announced.
std::string Pairs(std::initializer_list<std::pair<int, int>> pairs,
                  std::optional<int> count = std::nullopt) {
  std::string out = EncodeInt16(count.value_or(static_cast<int>(pairs.size())));
  for (auto [day, entry] : pairs) out += EncodeInt16(day) + EncodeInt16(entry);
  return out;
}

class CalendarHandlersTest : public ::testing::Test {
 protected:
  CalendarHandlersTest() {
    std::map<int32_t, std::string> texts;
    for (int i = 0; i < 7; ++i) texts[611 + i] = "Day" + std::to_string(i);
    for (int i = 0; i < 16; ++i) texts[620 + i] = "Special" + std::to_string(i);
    server.texts = FixedTexts(texts);
    server.state.ProjectDirectory = server.state.ApplicationDirectory = dir.path();
    std::filesystem::create_directories(dir.path() + "Profiles");
  }
  std::string CalendarFile() {
    return ReadFileBytes(dir.path() + "Profiles/GlobalCalendar.dat").value_or("<missing>");
  }

  TestTempDir dir;
  TestServer server;
  FakeClient client = server.Join();
};

TEST_F(CalendarHandlersTest, DayTypeNamesComeFromTextsAndOnlySpecialRenamesReachThem) {
  Request(server, client, 161, EncodeInt16(9) + EncodeString("Harvest"));
  Request(server, client, 161, EncodeInt16(3) + EncodeString("Thor"));
  for (int bad : {23, -1}) Request(server, client, 161, EncodeInt16(bad) + EncodeString("x"));
  Request(server, client, 161, EncodeInt16(8) + std::string("\x00\x04xy", 4));
  EXPECT_EQ(server.state.DayTypeNames[3], "Thor");
  EXPECT_EQ(server.state.DayTypeNames[8], "");
  EXPECT_EQ(ReadIniValue(dir.path(), "Calendar", "DayType2", "", "Orlund_Server.ini"), "Harvest");
  EXPECT_EQ(ReadIniValue(dir.path(), "Calendar", "DayType1", "-", "Orlund_Server.ini"), "-");

  std::string expected;
  for (int d = 0; d < 23; ++d) {
    EncodeString(expected, d == 9  ? "Harvest"
                           : d < 7 ? "Day" + std::to_string(d)
                                   : "Special" + std::to_string(d - 7));
  }
  Request(server, client, 160);
  EXPECT_EQ(Sent(client), EncodePacket(160, expected));
}

TEST_F(CalendarHandlersTest, HolidayLinesWithinTheCalendarFromTheLanguageFileOrNoAnswer) {
  Request(server, client, 140);
  EXPECT_EQ(Sent(client), "");

  ASSERT_TRUE(WriteIniValue(dir.path(), "General", "Language", "DEU", "Orlund_Server.ini"));
  ASSERT_TRUE(WriteFileAtomically(dir.path() + "Orlund_Holidays.DEU",
                                  "; 2020-01-01;1;1;comment\r\n   \r\n"
                                  "2039-12-31;7;-1;  New Year's Eve  \r\n"
                                  "1999-12-31;1;0;too early\n"
                                  "2000/13/01;70000;1.5;carried\r"
                                  "9999-12-32;1;1;no date\n"
                                  "2000-01-01;;\n"));
  Request(server, client, 140);
  EXPECT_EQ(
      Sent(client),
      EncodePacket(140, EncodeInt16(3) + EncodeInt32(14609) + EncodeInt16(7) + EncodeInt16(-1) +
                            EncodeString("New Year's Eve") + EncodeInt32(366) + EncodeInt16(4464) +
                            EncodeInt16(2) + EncodeString("carried") + EncodeInt32(0) +
                            EncodeInt16(0) + EncodeInt16(0) + EncodeString("")));
  EXPECT_TRUE(ParseHolidayFile(";only comments\n").empty());
}

TEST_F(CalendarHandlersTest, UpdateThenReadGivesTheNonZeroPairsInDayOrder) {
  Request(server, client, 181, Pairs({{5, 3}, {2, 8}, {100, 0}, {14610, 4}, {-1, 4}, {14609, 23}}));
  Request(server, client, 180);
  EXPECT_EQ(Sent(client), EncodePacket(180, Pairs({{2, 8}, {5, 3}, {14609, 23}})));
  std::string file(29220, '\0');
  file[4] = 8;
  file[10] = 3;
  file[29218] = 23;
  EXPECT_TRUE(CalendarFile() == file);

  // Malformed updates (negative count, fewer pairs than announced) change
  // neither the calendar nor its file.
  Request(server, client, 181, Pairs({{1, 1}}, -1));
  Request(server, client, 181, Pairs({{1, 1}}, 2) + EncodeInt16(3));
  EXPECT_TRUE(CalendarFile() == file);
  EXPECT_EQ(server.state.GlobalCalendar.GetDayType(1), 0);

  Request(server, client, 181, Pairs({}));
  EXPECT_TRUE(CalendarFile() == std::string(29220, '\0'));
}

TEST_F(CalendarHandlersTest, UnwritableCalendarStillHoldsInMemory) {
  std::filesystem::remove_all(dir.path() + "Profiles");
  Request(server, client, 181, Pairs({{40, 9}}));
  EXPECT_EQ(Sent(client), "");
  Request(server, client, 180);
  EXPECT_EQ(Sent(client), EncodePacket(180, Pairs({{40, 9}})));
  EXPECT_TRUE(server.state.List_Packets.lines()[0].starts_with(
      "10.0.0.5:1234 NETWORK_GLOBAL_CALENDAR_UPDATE: calendar file not written: "));
}

}  // namespace
}  // namespace orlund
