#include "tools/cli_format.h"

#include <gtest/gtest.h>

#include "tools/cli_calendar_file.h"
#include "tools/cli_schedule.h"

namespace orlund {
namespace {

DayTypeNames Names() {
  DayTypeNames names;
  for (int d = 0; d < kDayTypeCount; ++d) names[d] = "D" + std::to_string(d);
  names[7] = "Public holiday";
  names[8] = "";
  names[9] = "12";               // a name that reads back as a number
  names[10] = "public holiday";  // shared with day type 7 in other letter case
  return names;
}

TEST(ScheduleText, WeekdaysAlwaysSpecialDayTypesWhenUsed) {
  cTimeSchedule schedule;
  for (int d = 0; d < 5; ++d) schedule.AppendPeriod(d, 420, 960);
  schedule.AppendPeriod(0, 1080, 1440);
  schedule.AppendPeriod(1, 600, 660);
  schedule.SetActive(6, 0);
  schedule.SetActive(7, -1);
  schedule.AppendPeriod(7, 0, 720);
  schedule.AppendPeriod(12, 65, 120);  // periods but not in use
  schedule.SetActive(8, -1);
  schedule.AppendPeriod(8, -1, 1441);  // unnamed, times outside a day
  const std::vector<std::string> expected = {
      "Mon            07:00-16:00, 18:00-24:00",
      "Tue            07:00-16:00, 10:00-11:00",
      "Wed            07:00-16:00",
      "Thu            07:00-16:00",
      "Fri            07:00-16:00",
      "Sat            none",
      "Sun            none (not in use)",
      "Public holiday 00:00-12:00",
      "Day type 8     ?-1-?1441",
      "D12            01:05-02:00 (not in use)",
  };
  EXPECT_EQ(FormatSchedule(schedule, Names()), expected);
}

TEST(CalendarText, ListingReadsBackAsTheSameCalendar) {
  const std::vector<CalendarPair> pairs = {{0, 1}, {9497, 8}, {9498, 9}, {9499, 10}, {9500, 11}};
  const std::string text = FormatCalendar(pairs, Names());
  EXPECT_EQ(text, "2000-01-01 D0\n2026-01-01 7\n2026-01-02 8\n2026-01-03 9\n2026-01-04 10\n");
  EXPECT_EQ(ParseCalendarFile(text, Names()), pairs);
  const Json json = CalendarJson({{9497, 8}}, Names());
  EXPECT_EQ(json[0]["date"], "2026-01-01");
  EXPECT_EQ(json[0]["day_type"], 7);
  EXPECT_EQ(json[0]["day_type_name"], "Public holiday");
}

TEST(ReceiverText, ReadableAndValidJson) {
  const ReceiverEntry r{"M\xFCller \x80", -1, 300, 2, "x", {"a", "", "\x93q\x94", "1"}};
  EXPECT_EQ(FormatReceiver(r),
            "M\xFCller \x80: type 2, flag -1, word 300, text \"x\", settings [\"a\", \"\", "
            "\"\x93q\x94\", \"1\"]");
  const std::string dumped = ReceiverJson(r).dump();
  EXPECT_NE(dumped.find("M\xC3\xBCller \xE2\x82\xAC"), std::string::npos);
  EXPECT_EQ(Json::parse(dumped)["settings"][2], "\xE2\x80\x9Cq\xE2\x80\x9D");
}

TEST(PrettyJson, ShortContainersAndPlainListsStayOnOneLine) {
  EXPECT_EQ(PrettyJson({{"a", {1, 2}}, {"b", "x"}}), R"({"a": [1, 2], "b": "x"})");
  const Json wide = {{"words", std::vector<int>(60, 1000)},
                     {"day", {{"n", std::string(150, 'x')}}}};
  const std::string text = PrettyJson(wide);
  EXPECT_EQ(text.substr(0, 22), "{\n  \"words\": [1000, 10");  // plain list: one line
  EXPECT_NE(text.find("\"day\": {\n    \"n\": \"xxx"), std::string::npos);
  EXPECT_EQ(Json::parse(text), wide);
}

}  // namespace
}  // namespace orlund
