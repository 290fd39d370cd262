#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "base/file_utils.h"
#include "protocol/framing.h"
#include "protocol/messages.h"
#include "store/ini_file.h"
#include "testing/fake_transport.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

std::string Pairs(std::vector<CalendarPair> pairs) { return Encode(CalendarPairs{pairs}); }

std::string Rename(int16_t day_type, const std::string& name) {
  return Encode(DayTypeNameUpdateRequest{day_type, name});
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
  for (int16_t day_type : {9, 3, 0, 7, 22, 23, -1}) {
    Request(server, client, 161, Rename(day_type, "N" + std::to_string(day_type)));
  }
  Request(server, client, 161, Rename(8, "xyz").substr(0, 6));
  EXPECT_EQ(server.state.DayTypeNames[0] + server.state.DayTypeNames[3], "N0N3");
  EXPECT_EQ(server.state.DayTypeNames[8], "");
  const std::string ini = testing::ReadFile(dir.path() + "Orlund_Server.ini");
  EXPECT_EQ(ini, "[Calendar]\r\nDayType2=N9\r\nDayType0=N7\r\nDayType15=N22\r\n");

  DayTypeNamesAnswer expected;
  for (int d = 0; d < 23; ++d) {
    expected.names[d] = d < 7 ? "Day" + std::to_string(d) : "Special" + std::to_string(d - 7);
  }
  expected.names[7] = "N7";
  expected.names[9] = "N9";
  expected.names[22] = "N22";
  Request(server, client, 160);
  EXPECT_EQ(Sent(client), EncodePacket(160, Encode(expected)));
}

// Renames are written to the INI file from the background: until then the
// answer lays them over the file, and renames during a write are written by
// one more write.
TEST_F(CalendarHandlersTest, RenamesAreWrittenInTheBackgroundAndAnsweredMeanwhile) {
  HeldJobs held(server.state);
  const auto answered_names = [&] {
    Request(server, client, 160);
    Frame frame;
    PacketFramer framer;
    framer.Feed(Sent(client));
    EXPECT_EQ(framer.Next(frame), FrameStatus::kPacket);
    const auto names = Decode<DayTypeNamesAnswer>(frame.payload).names;
    return names[8] + "," + names[9];
  };
  EXPECT_EQ(answered_names(), "Special1,Special2");
  Request(server, client, 161, Rename(9, "first"));
  Request(server, client, 161, Rename(9, "second"));
  Request(server, client, 161, Rename(8, "other"));
  EXPECT_EQ(answered_names(), "other,second");
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "Orlund_Server.ini"));
  ASSERT_EQ(held.jobs.size(), 1u);

  held.RunAll();  // "first"; the newer names follow at once
  ASSERT_EQ(held.jobs.size(), 1u);
  held.RunAll();
  EXPECT_TRUE(held.jobs.empty());
  EXPECT_TRUE(server.state.RenamedDayTypesUnwritten.empty());
  EXPECT_EQ(testing::ReadFile(dir.path() + "Orlund_Server.ini"),
            "[Calendar]\r\nDayType2=second\r\nDayType1=other\r\n");
  EXPECT_EQ(answered_names(), "other,second");
}

// A rename the INI file does not take is shown, kept in memory and written
// with the next rename.
TEST_F(CalendarHandlersTest, ARenameNotWrittenStaysAnsweredAndIsWrittenWithTheNext) {
  std::filesystem::create_directory(dir.path() + "Orlund_Server.ini");
  Request(server, client, 161, Rename(9, "kept"));
  EXPECT_EQ(server.state.List_Packets.lines().back(),
            "10.0.0.5:1234 NETWORK_DAYTYPENAMES_UPDATE: day type names not written to "
            "Orlund_Server.ini: 9");
  Request(server, client, 160);
  EXPECT_EQ(Decode<DayTypeNamesAnswer>(Sent(client).substr(kPacketHeaderSize)).names[9], "kept");

  std::filesystem::remove(dir.path() + "Orlund_Server.ini");
  Request(server, client, 161, Rename(8, "next"));
  EXPECT_TRUE(server.state.RenamedDayTypesUnwritten.empty());
  EXPECT_EQ(testing::ReadFile(dir.path() + "Orlund_Server.ini"),
            "[Calendar]\r\nDayType1=next\r\nDayType2=kept\r\n");
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
  EXPECT_EQ(Sent(client), EncodePacket(140, Encode(HolidayLabelsAnswer{{
                                                {14609, 7, -1, "New Year's Eve"},
                                                {366, 4464, 2, "carried"},
                                                {0, 0, 0, ""},
                                            }})));
}

TEST_F(CalendarHandlersTest, UpdateThenReadGivesTheNonZeroPairsInDayOrder) {
  Request(server, client, 181,
          Pairs({{5, 3}, {2, 8}, {100, 0}, {14610, 4}, {-1, 4}, {14609, 23}, {0, 1}}));
  Request(server, client, 180);
  EXPECT_EQ(Sent(client), EncodePacket(180, Pairs({{0, 1}, {2, 8}, {5, 3}, {14609, 23}})));
  std::string file = CalendarFile();
  EXPECT_TRUE(file == server.state.GlobalCalendar.EncodeEntries());

  // Malformed updates (negative count, fewer pairs than announced) change
  // neither the calendar nor its file.
  Request(server, client, 181, EncodeInt16(-1) + Pairs({{1, 1}}).substr(2));
  const std::string two = Pairs({{1, 1}, {3, 3}});
  Request(server, client, 181, two.substr(0, two.size() - 2));
  EXPECT_TRUE(CalendarFile() == file);
  EXPECT_EQ(server.state.GlobalCalendar.GetDayType(1), 0);

  Request(server, client, 181, Pairs({}));
  EXPECT_TRUE(CalendarFile() == std::string(29220, '\0'));

  // A file the alarm server changed is read again for the next answer.
  file = std::string(29220, '\0');
  file[14] = 5;
  ASSERT_TRUE(WriteFileAtomically(dir.path() + "Profiles/GlobalCalendar.dat", file));
  Request(server, client, 180);
  EXPECT_EQ(Sent(client), EncodePacket(180, Pairs({{7, 5}})));
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

// Written from the background: until the write is done, the file holds the
// old days and the answers come from memory; updates during the write are
// written by one more write, of the newest.
TEST_F(CalendarHandlersTest, UpdatesAreWrittenInTheBackgroundAndAnsweredFromMemoryMeanwhile) {
  HeldJobs held(server.state);
  std::string old(29220, '\0');
  old[20] = 2;
  ASSERT_TRUE(WriteFileAtomically(dir.path() + "Profiles/GlobalCalendar.dat", old));
  Request(server, client, 181, Pairs({{1, 1}}));
  Request(server, client, 181, Pairs({{3, 3}}));
  Request(server, client, 180);
  EXPECT_EQ(Sent(client), EncodePacket(180, Pairs({{3, 3}})));
  EXPECT_TRUE(CalendarFile() == old);
  ASSERT_EQ(held.jobs.size(), 1u);

  held.RunAll();  // the first update; the second follows at once
  ASSERT_EQ(held.jobs.size(), 1u);
  held.RunAll();
  EXPECT_TRUE(held.jobs.empty());
  EXPECT_TRUE(CalendarFile() == server.state.GlobalCalendar.EncodeEntries());
  Request(server, client, 180);
  EXPECT_EQ(Sent(client), EncodePacket(180, Pairs({{3, 3}})));
}

}  // namespace
}  // namespace orlund
