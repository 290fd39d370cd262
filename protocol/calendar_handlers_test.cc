#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>

#include "protocol/codec.h"
#include "protocol/handler_testing.h"
#include "protocol/holiday_labels.h"
#include "store/file_utils.h"
#include "store/ini_file.h"
#include "store/test_temp_dir.h"

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
    server.state.ProjectDirectory = dir.path();
    server.state.ApplicationDirectory = dir.path() + "app/";
    std::filesystem::create_directories(dir.path() + "app");
    std::filesystem::create_directories(dir.path() + "Profiles");
  }

  // The strings of a type 160 answer.
  std::vector<std::string> DayTypeNames() {
    Request(server, client, 160);
    std::string packet = TakeOnly(client);
    std::vector<std::string> names;
    size_t pos = 5;
    while (pos < packet.size()) names.push_back(DecodeString(packet, pos));
    return names;
  }

  std::string CalendarFile() {
    return ReadFileBytes(dir.path() + "Profiles/GlobalCalendar.dat").value_or("<missing>");
  }

  TestTempDir dir;
  TestServer server;
  FakeClient client = server.Join();
};

TEST_F(CalendarHandlersTest, DayTypeNamesComeFromTextsAndTheIniFile) {
  std::vector<std::string> names = DayTypeNames();
  ASSERT_EQ(names.size(), 23u);
  EXPECT_EQ(names[0], "Day0");
  EXPECT_EQ(names[6], "Day6");
  EXPECT_EQ(names[7], "Special0");
  EXPECT_EQ(names[22], "Special15");

  Request(server, client, 161, EncodeInt16(9) + EncodeString("Harvest"));
  Request(server, client, 161, EncodeInt16(3) + EncodeString("Thor"));
  EXPECT_TRUE(TakeWritten(client).empty());
  EXPECT_EQ(server.state.DayTypeNames[9], "Harvest");
  EXPECT_EQ(server.state.DayTypeNames[3], "Thor");
  EXPECT_EQ(ReadIniValue(dir.path(), "Calendar", "DayType2", "", "Orlund_Server.ini"), "Harvest");
  names = DayTypeNames();
  EXPECT_EQ(names[9], "Harvest");
  EXPECT_EQ(names[3], "Day3");
}

TEST_F(CalendarHandlersTest, RenameOutsideTheDayTypesOrCutShortChangesNothing) {
  Request(server, client, 161, EncodeInt16(23) + EncodeString("x"));
  Request(server, client, 161, EncodeInt16(-1) + EncodeString("x"));
  Request(server, client, 161, EncodeInt16(8) + std::string("\x00\x04xy", 4));
  EXPECT_FALSE(FileExists(dir.path() + "Orlund_Server.ini"));
  for (const std::string& name : server.state.DayTypeNames) EXPECT_EQ(name, "");
}

TEST(HolidayLabelsTest, DatesInsideTheCalendarBecomeEntries) {
  std::string file =
      "; comment 2020-01-01;1;1;skipped\r\n"
      "   \r\n"
      "2039-12-31;7;-1;  New Year's Eve  \r\n"
      "1999-12-31;1;0;too early\n"
      "2000/13/01;70000;1.5;carried\r"
      "9999-12-32;1;1;beyond the last date\n"
      "2000-01-01;;\n";
  std::string expected = EncodeInt16(3) + EncodeInt32(14609) + EncodeInt16(7) + EncodeInt16(-1) +
                         EncodeString("New Year's Eve") + EncodeInt32(366) + EncodeInt16(4464) +
                         EncodeInt16(2) + EncodeString("carried") + EncodeInt32(0) +
                         EncodeInt16(0) + EncodeInt16(0) + EncodeString("");
  EXPECT_EQ(EncodeHolidayLabels(file), expected);
  EXPECT_EQ(EncodeHolidayLabels(";only\n;comments\n"), EncodeInt16(0));
  EXPECT_EQ(HolidayDayIndex("2000-01-00"), -1);
  EXPECT_EQ(HolidayDayIndex("1E10-01-01"), -1);
}

TEST_F(CalendarHandlersTest, HolidayFileOfTheConfiguredLanguageOrNoAnswer) {
  Request(server, client, 140);
  EXPECT_TRUE(TakeWritten(client).empty());

  ASSERT_TRUE(WriteIniValue(dir.path(), "General", "Language", "DEU", "Orlund_Server.ini"));
  ASSERT_TRUE(WriteFileAtomically(dir.path() + "app/Orlund_Holidays.DEU", "2000-01-02;8;-1;A\n"));
  Request(server, client, 140);
  EXPECT_EQ(TakeOnly(client), EncodePacket(140, EncodeInt16(1) + EncodeInt32(1) + EncodeInt16(8) +
                                                    EncodeInt16(-1) + EncodeString("A")));
}

TEST_F(CalendarHandlersTest, UpdateThenReadGivesTheNonZeroPairsInDayOrder) {
  Request(server, client, 181, Pairs({{5, 3}, {2, 8}, {100, 0}, {14610, 4}, {-1, 4}, {14609, 23}}));
  EXPECT_TRUE(TakeWritten(client).empty());
  Request(server, client, 180);
  EXPECT_EQ(TakeOnly(client), EncodePacket(180, Pairs({{2, 8}, {5, 3}, {14609, 23}})));

  std::string file = CalendarFile();
  ASSERT_EQ(file.size(), 29220u);
  EXPECT_EQ(file.substr(4, 2), std::string("\x08\x00", 2));
  EXPECT_EQ(file.substr(10, 2), std::string("\x03\x00", 2));
  EXPECT_EQ(file.substr(29218, 2), std::string("\x17\x00", 2));

  // A new update replaces everything; N = 0 clears the calendar.
  Request(server, client, 181, Pairs({}));
  EXPECT_TRUE(CalendarFile() == std::string(29220, '\0'));
  Request(server, client, 180);
  EXPECT_EQ(TakeOnly(client), EncodePacket(180, EncodeInt16(0)));
}

TEST_F(CalendarHandlersTest, MalformedUpdateChangesNeitherCalendarNorFile) {
  Request(server, client, 181, Pairs({{7, 2}}));
  const std::string before = CalendarFile();
  Request(server, client, 181, Pairs({{1, 1}}, -1));
  Request(server, client, 181, Pairs({{1, 1}, {3, 3}}, 3));
  Request(server, client, 181, Pairs({{1, 1}}, 2) + EncodeInt16(3));
  EXPECT_TRUE(CalendarFile() == before);
  EXPECT_EQ(server.state.GlobalCalendar.GetDayType(7), 2);
  EXPECT_EQ(server.state.GlobalCalendar.GetDayType(1), 0);
}

TEST_F(CalendarHandlersTest, ReadKeepsTheCalendarInMemoryWhenTheFileIsMissingOrUnwritable) {
  std::filesystem::remove_all(dir.path() + "Profiles");
  // The update cannot be saved: it still holds in memory and nothing is sent.
  Request(server, client, 181, Pairs({{40, 9}}));
  EXPECT_TRUE(TakeWritten(client).empty());
  ASSERT_EQ(server.state.List_Packets.lines().size(), 1u);
  EXPECT_TRUE(server.state.List_Packets.lines()[0].starts_with(
      "10.0.0.5:1234 NETWORK_GLOBAL_CALENDAR_UPDATE: calendar file not written: "));
  Request(server, client, 180);
  EXPECT_EQ(TakeOnly(client), EncodePacket(180, Pairs({{40, 9}})));
}

}  // namespace
}  // namespace orlund
