#include "tools/cli_profile_json.h"

#include <gtest/gtest.h>

#include "tools/cli_error.h"

namespace orlund {
namespace {

std::string ErrorOf(const Json& json) {
  ProfileRecord record;
  cTimeSchedule schedule;
  try {
    ProfileFromJson(json, record, schedule);
  } catch (const CliError& e) {
    EXPECT_EQ(e.code(), kExitBadInput);
    return e.what();
  }
  return "";
}

TEST(ProfileJson, EveryTravellingFieldRoundTrips) {
  ProfileRecord record;
  record.ProfileNumber = 12;
  record.ProfileWord = -2;
  record.Name = "Nacht \x80";
  record.WordsA = {1, 2, 3, 4, 5, -32768};
  record.TextA = "a";
  record.TextB = "b\x93";
  record.TextList = {"l0", "", "l2", "", "", "l5"};
  record.WordsB = {7, 8, 9};
  record.TextC = "c";
  record.WordsC = {10, 0};
  record.TextD = "d";
  record.TextE = "e";
  record.WordD = 32767;
  for (int i = 0; i < 64; ++i) record.WordTable[i] = static_cast<int16_t>(i * 3 - 50);
  cTimeSchedule schedule;
  for (int day = 0; day < 5; ++day) {  // Monday to Friday 07:00-16:00, grouped
    schedule.SetGrouped(day, -1);
    schedule.AppendPeriod(day, 420, 960);
  }
  schedule.AppendPeriod(0, 1080, 1440);
  schedule.AppendPeriod(3, 2000, -5);  // kept even outside a day
  schedule.SetActive(9, -1);
  schedule.SetGrouped(9, -1);
  schedule.SetAxis(9, 4);
  schedule.AppendPeriod(9, 0, 60);
  schedule.m_UseCalendar = 5;  // not a plain Boolean: kept as a number

  DayTypeNames names;
  const Json json = ProfileToJson(record, schedule, names);
  EXPECT_EQ(json["Name"], "Nacht \xE2\x82\xAC");
  EXPECT_EQ(json["Schedule"]["DayTypes"][0]["Periods"][1], Json({"18:00", "24:00"}));
  EXPECT_EQ(json["Schedule"]["DayTypes"][3]["Periods"][1], Json({2000, -5}));
  EXPECT_EQ(json["Schedule"]["UseCalendar"], 5);

  ProfileRecord back;
  cTimeSchedule back_schedule;
  ProfileFromJson(Json::parse(json.dump()), back, back_schedule);
  EXPECT_EQ(back, record);
  EXPECT_EQ(back_schedule.ComposePeriodArray(), schedule.ComposePeriodArray());
}

TEST(ProfileJson, LeftOutFieldsTakeTheirDefaults) {
  ProfileRecord record;
  cTimeSchedule schedule;
  ProfileFromJson(
      {{"Name", "P"},
       {"Schedule", {{"DayTypes", {{{"DayType", 5}, {"Active", false}}, {{"DayType", 1}}}}}}},
      record, schedule);
  EXPECT_EQ(record.Name, "P");
  EXPECT_EQ(record.WordTable[5], 0);
  EXPECT_EQ(schedule.GetActive(0), -1);  // a new schedule's weekday
  EXPECT_EQ(schedule.GetActive(5), 0);
}

TEST(ProfileJson, BadDocumentsNameTheField) {
  EXPECT_EQ(ErrorOf({{"TextA", "x"}}), "profile field Name: a profile needs a name");
  EXPECT_EQ(ErrorOf({{"Name", "x"}, {"Colour", 1}}),
            "profile field Colour: is not a profile field");
  EXPECT_EQ(ErrorOf({{"Name", "x"}, {"WordsA", {1, 2}}}),
            "profile field WordsA: needs a list of 6 values");
  EXPECT_EQ(ErrorOf({{"Name", "x"}, {"WordD", 40000}}),
            "profile field WordD: needs a number from -32768 to 32767");
  EXPECT_EQ(ErrorOf({{"Name", "\xE4\xB8\xAD"}}),
            "profile field Name: holds a character Windows-1252 cannot write");
  const auto day = [](Json entry) {
    return Json{{"Name", "x"}, {"Schedule", {{"DayTypes", {entry}}}}};
  };
  EXPECT_EQ(ErrorOf(day({{"DayType", 23}})),
            "profile field Schedule.DayTypes[23]: the day type must be 0..22");
  EXPECT_EQ(
      ErrorOf(day({{"DayType", 2}, {"Periods", Json::array({Json::array({"7:00", "24:01"})})}})),
      "profile field Schedule.DayTypes[2].Periods: needs a time HH:MM from 00:00 to "
      "24:00, not '24:01'");
  EXPECT_NE(
      ErrorOf(day({{"DayType", 2}, {"Periods", Json::array({Json::array({"07:60", "08:00"})})}}))
          .find("not '07:60'"),
      std::string::npos);
  EXPECT_EQ(
      ErrorOf({{"Name", "x"}, {"Schedule", {{"DayTypes", {{{"DayType", 1}}, {{"DayType", 1}}}}}}}),
      "profile field Schedule.DayTypes[1]: is listed twice");
}

}  // namespace
}  // namespace orlund
