#include "tools/cli_profile_json.h"

#include <charconv>
#include <set>

#include "tools/cli_error.h"
#include "tools/cli_schedule.h"
#include "tools/cli_text.h"

namespace orlund {
namespace {

[[noreturn]] void Bad(const std::string& field, const std::string& why) {
  throw CliError(kExitBadInput, "profile field " + field + ": " + why);
}

Json Flag(int16_t value) {
  if (value == -1) return true;
  if (value == 0) return false;
  return value;
}

Json Minutes(int16_t minutes) {
  if (minutes < 0 || minutes > 1440) return minutes;
  return FormatMinutes(minutes);
}

int16_t ReadInt16(const Json& value, const std::string& field) {
  if (!value.is_number_integer()) Bad(field, "needs a whole number");
  const auto n = value.get<int64_t>();
  if (n < -32768 || n > 32767) Bad(field, "needs a number from -32768 to 32767");
  return static_cast<int16_t>(n);
}

int16_t ReadFlag(const Json& value, const std::string& field) {
  if (value.is_boolean()) return value.get<bool>() ? -1 : 0;
  return ReadInt16(value, field);
}

int16_t ReadMinutes(const Json& value, const std::string& field) {
  if (!value.is_string()) return ReadInt16(value, field);
  const std::string text = value.get<std::string>();
  int hours = -1, minutes = -1;
  const char* end = text.data() + text.size();
  const size_t colon = text.find(':');
  if (colon != std::string::npos && colon > 0 && text.size() - colon == 3) {
    std::from_chars(text.data(), text.data() + colon, hours);
    if (std::from_chars(text.data() + colon + 1, end, minutes).ptr != end) minutes = -1;
  }
  if (hours < 0 || minutes < 0 || minutes > 59 || hours * 60 + minutes > 1440)
    Bad(field, "needs a time HH:MM from 00:00 to 24:00, not '" + text + "'");
  return static_cast<int16_t>(hours * 60 + minutes);
}

std::string ReadText(const Json& value, const std::string& field) {
  if (!value.is_string()) Bad(field, "needs a text");
  auto text = Utf8ToCp1252(value.get<std::string>());
  if (!text) Bad(field, "holds a character Windows-1252 cannot write");
  if (text->size() > 32767) Bad(field, "is longer than 32767 bytes");
  return *text;
}

template <size_t N, typename T, typename Read>
void ReadArray(const Json& value, const std::string& field, std::array<T, N>& out, Read read) {
  if (!value.is_array() || value.size() != N)
    Bad(field, "needs a list of " + std::to_string(N) + " values");
  for (size_t i = 0; i < N; ++i) out[i] = read(value[i], field + "[" + std::to_string(i) + "]");
}

template <typename T, size_t N>
Json IntArray(const std::array<T, N>& values) {
  return Json(std::vector<T>(values.begin(), values.end()));
}

template <size_t N>
Json TextArray(const std::array<std::string, N>& texts) {
  Json list = Json::array();
  for (const auto& t : texts) list.push_back(Cp1252ToUtf8(t));
  return list;
}

void ReadDayType(const Json& json, cTimeSchedule& schedule, std::set<int>& seen) {
  if (!json.is_object() || !json.contains("DayType"))
    Bad("Schedule.DayTypes", "each entry needs a DayType");
  const int16_t d = ReadInt16(json["DayType"], "Schedule.DayTypes.DayType");
  const std::string at = "Schedule.DayTypes[" + std::to_string(d) + "]";
  if (d < 0 || d >= kDayTypeCount) Bad(at, "the day type must be 0..22");
  if (!seen.insert(d).second) Bad(at, "is listed twice");
  for (const auto& [key, value] : json.items()) {
    if (key == "DayType" || key == "Label") {
      continue;
    } else if (key == "Active") {
      schedule.SetActive(d, ReadFlag(value, at + ".Active"));
    } else if (key == "Grouped") {
      schedule.SetGrouped(d, ReadFlag(value, at + ".Grouped"));
    } else if (key == "Axis") {
      schedule.SetAxis(d, ReadInt16(value, at + ".Axis"));
    } else if (key == "Periods") {
      if (!value.is_array()) Bad(at + ".Periods", "needs a list of [start, stop] pairs");
      for (const auto& p : value) {
        if (!p.is_array() || p.size() != 2) Bad(at + ".Periods", "each period is [start, stop]");
        schedule.AppendPeriod(d, ReadMinutes(p[0], at + ".Periods"),
                              ReadMinutes(p[1], at + ".Periods"));
      }
    } else {
      Bad(at + "." + key, "is not a day type field");
    }
  }
}

void ReadSchedule(const Json& json, cTimeSchedule& schedule) {
  if (!json.is_object()) Bad("Schedule", "needs an object");
  for (const auto& [key, value] : json.items()) {
    if (key == "UseCalendar") {
      schedule.m_UseCalendar = ReadFlag(value, "Schedule.UseCalendar");
    } else if (key == "DayTypes") {
      if (!value.is_array()) Bad("Schedule.DayTypes", "needs a list");
      std::set<int> seen;
      for (const auto& day_type : value) ReadDayType(day_type, schedule, seen);
    } else {
      Bad("Schedule." + key, "is not a schedule field");
    }
  }
}

}  // namespace

Json ProfileToJson(const ProfileRecord& r, const cTimeSchedule& schedule,
                   const DayTypeNames& names) {
  Json day_types = Json::array();
  for (int d = 0; d < kDayTypeCount; ++d) {
    Json periods = Json::array();
    for (const auto& p : schedule.GetPeriods(d))
      periods.push_back({Minutes(p->m_StartMinute), Minutes(p->m_StopMinute)});
    day_types.push_back({{"DayType", d},
                         {"Label", Cp1252ToUtf8(DayTypeLabel(d, names))},
                         {"Active", Flag(schedule.GetActive(d))},
                         {"Grouped", Flag(schedule.GetGrouped(d))},
                         {"Axis", schedule.GetAxis(d)},
                         {"Periods", periods}});
  }
  return {{"ProfileNumber", r.ProfileNumber},
          {"ProfileWord", r.ProfileWord},
          {"Name", Cp1252ToUtf8(r.Name)},
          {"WordsA", IntArray(r.WordsA)},
          {"TextA", Cp1252ToUtf8(r.TextA)},
          {"TextB", Cp1252ToUtf8(r.TextB)},
          {"TextList", TextArray(r.TextList)},
          {"WordsB", IntArray(r.WordsB)},
          {"TextC", Cp1252ToUtf8(r.TextC)},
          {"WordsC0", r.WordsC[0]},
          {"TextD", Cp1252ToUtf8(r.TextD)},
          {"TextE", Cp1252ToUtf8(r.TextE)},
          {"WordD", r.WordD},
          {"WordTable", IntArray(r.WordTable)},
          {"Schedule", {{"UseCalendar", Flag(schedule.m_UseCalendar)}, {"DayTypes", day_types}}}};
}

void ProfileFromJson(const Json& json, ProfileRecord& r, cTimeSchedule& schedule) {
  if (!json.is_object()) Bad("(document)", "a profile is a JSON object");
  const auto int16 = [](const Json& v, const std::string& f) { return ReadInt16(v, f); };
  const auto text = [](const Json& v, const std::string& f) { return ReadText(v, f); };
  for (const auto& [key, value] : json.items()) {
    if (key == "ProfileNumber") {
      r.ProfileNumber = ReadInt16(value, key);
    } else if (key == "ProfileWord") {
      r.ProfileWord = ReadInt16(value, key);
    } else if (key == "Name") {
      r.Name = ReadText(value, key);
    } else if (key == "WordsA") {
      ReadArray(value, key, r.WordsA, int16);
    } else if (key == "TextA") {
      r.TextA = ReadText(value, key);
    } else if (key == "TextB") {
      r.TextB = ReadText(value, key);
    } else if (key == "TextList") {
      ReadArray(value, key, r.TextList, text);
    } else if (key == "WordsB") {
      ReadArray(value, key, r.WordsB, int16);
    } else if (key == "TextC") {
      r.TextC = ReadText(value, key);
    } else if (key == "WordsC0") {
      r.WordsC[0] = ReadInt16(value, key);
    } else if (key == "TextD") {
      r.TextD = ReadText(value, key);
    } else if (key == "TextE") {
      r.TextE = ReadText(value, key);
    } else if (key == "WordD") {
      r.WordD = ReadInt16(value, key);
    } else if (key == "WordTable") {
      ReadArray(value, key, r.WordTable, int16);
    } else if (key == "Schedule") {
      ReadSchedule(value, schedule);
    } else {
      Bad(key, "is not a profile field");
    }
  }
  if (r.Name.empty()) Bad("Name", "a profile needs a name");
}

std::string FormatProfile(const ProfileRecord& record, const cTimeSchedule& schedule,
                          const DayTypeNames& names) {
  std::string text =
      "Profile " + record.Name + " (number " + std::to_string(record.ProfileNumber) + ")\n";
  for (const auto& line : FormatSchedule(schedule, names)) text += "  " + line + "\n";
  text += std::string("  Calendar: ") + (schedule.m_UseCalendar != 0 ? "used" : "not used") + "\n";
  return text;
}

}  // namespace orlund
