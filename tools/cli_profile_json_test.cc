#include "tools/cli_profile_json.h"

#include <gtest/gtest.h>

#include "tools/cli_error.h"

namespace orlund {
namespace {

TEST(ProfileJson, EveryTravellingFieldRoundTrips) {
  ProfileRecord record;
  int16_t next = 1;
  for (int16_t* w :
       {&record.ProfileNumber, &record.ProfileWord, &record.WordsC[0], &record.WordD}) {
    *w = next++;
  }
  for (auto* words : {&record.WordsA[0], &record.WordsB[0], &record.WordTable[0]})
    words[0] = -next++;
  record.WordsA[5] = -32768;
  record.WordTable[63] = 32767;
  for (std::string* t : {&record.Name, &record.TextA, &record.TextB, &record.TextC, &record.TextD,
                         &record.TextE, &record.TextList[0], &record.TextList[5]}) {
    *t = "t\x80" + std::to_string(next++);
  }
  cTimeSchedule schedule;
  schedule.AppendPeriod(0, 1080, 1440);
  schedule.AppendPeriod(3, 2000, -5);  // kept even outside a day
  schedule.SetActive(9, -1);
  schedule.SetGrouped(9, -1);
  schedule.SetAxis(9, 4);
  schedule.m_UseCalendar = 5;  // not a plain Boolean: kept as a number

  const Json json = ProfileToJson(record, schedule, DayTypeNames{});
  EXPECT_EQ(json["name"],
            "t\xE2\x82\xAC"
            "8");
  EXPECT_EQ(json["schedule"]["day_types"][0]["periods"][0], Json({"18:00", "24:00"}));
  EXPECT_EQ(json["schedule"]["day_types"][3]["periods"][0], Json({2000, -5}));
  ProfileRecord back;
  cTimeSchedule back_schedule;
  ProfileFromJson(Json::parse(json.dump()), back, back_schedule);
  EXPECT_EQ(back, record);
  EXPECT_EQ(back_schedule.ComposePeriodArray(), schedule.ComposePeriodArray());

  // Left-out fields take their defaults; a new schedule's weekdays are active.
  ProfileRecord fresh;
  cTimeSchedule fresh_schedule;
  ProfileFromJson(
      {{"Name", "P"}, {"Schedule", {{"DayTypes", {{{"DayType", 5}, {"Active", false}}}}}}}, fresh,
      fresh_schedule);
  EXPECT_EQ(fresh.WordTable[0], 0);
  EXPECT_EQ(fresh_schedule.GetActive(0), -1);
  EXPECT_EQ(fresh_schedule.GetActive(5), 0);
}

TEST(ProfileJson, BadDocumentsNameTheField) {
  const auto day = [](Json entry) {
    return Json{{"Name", "x"}, {"Schedule", {{"DayTypes", Json::array({entry})}}}};
  };
  const auto period = [&](const char* start, const char* stop) {
    return day({{"DayType", 2}, {"Periods", Json::array({Json::array({start, stop})})}});
  };
  const std::vector<std::pair<Json, std::string>> cases = {
      {{{"TextA", "x"}}, "name: a profile needs a name"},
      {{{"Name", "x"}, {"Colour", 1}}, "Colour: is not a profile field"},
      {{{"Name", "x"}, {"WordsA", {1, 2}}}, "words_a: needs a list of 6 values"},
      {{{"Name", "x"}, {"WordD", 40000}}, "word_d: needs a number from -32768 to 32767"},
      {{{"Name", "\xE4\xB8\xAD"}}, "name: holds a character Windows-1252 cannot write"},
      {day({{"DayType", 23}}), "schedule.day_types[23]: the day type must be 0..22"},
      {period("7:00", "24:01"),
       "schedule.day_types[2].periods: needs a time HH:MM from 00:00 to 24:00, not '24:01'"},
      {period("07:60", "08:00"),
       "schedule.day_types[2].periods: needs a time HH:MM from 00:00 to 24:00, not '07:60'"},
      {{{"Name", "x"}, {"Schedule", {{"DayTypes", {{{"DayType", 1}}, {{"DayType", 1}}}}}}},
       "schedule.day_types[1]: is listed twice"},
  };
  for (const auto& [json, error] : cases) {
    ProfileRecord record;
    cTimeSchedule schedule;
    try {
      ProfileFromJson(json, record, schedule);
      ADD_FAILURE() << "accepted " << json.dump();
    } catch (const CliError& e) {
      EXPECT_EQ(e.code(), kExitBadInput);
      EXPECT_EQ(e.what(), "profile field " + error);
    }
  }
}

}  // namespace
}  // namespace orlund
