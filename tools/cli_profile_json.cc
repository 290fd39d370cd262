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

// Keys are written in snake_case ("profile_number"); files exported before
// used the record's own names ("ProfileNumber"), which still read the same.
std::string SnakeCase(std::string_view key) {
  std::string out;
  for (size_t i = 0; i < key.size(); ++i) {
    const char ch = key[i];
    if (ch >= 'A' && ch <= 'Z') {
      if (i > 0) out += '_';
      out += static_cast<char>(ch - 'A' + 'a');
    } else {
      out += ch;
    }
  }
  return out;
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
  const Json* number = nullptr;
  if (json.is_object()) {
    for (const auto& [key, value] : json.items()) {
      if (SnakeCase(key) == "day_type") number = &value;
    }
  }
  if (number == nullptr) Bad("schedule.day_types", "each entry needs a day_type");
  const int16_t d = ReadInt16(*number, "schedule.day_types.day_type");
  const std::string at = "schedule.day_types[" + std::to_string(d) + "]";
  if (d < 0 || d >= kDayTypeCount) Bad(at, "the day type must be 0..22");
  if (!seen.insert(d).second) Bad(at, "is listed twice");
  for (const auto& [name, value] : json.items()) {
    const std::string key = SnakeCase(name);
    if (key == "day_type" || key == "label") {
      continue;
    } else if (key == "active") {
      schedule.SetActive(d, ReadFlag(value, at + ".active"));
    } else if (key == "grouped") {
      schedule.SetGrouped(d, ReadFlag(value, at + ".grouped"));
    } else if (key == "axis") {
      schedule.SetAxis(d, ReadInt16(value, at + ".axis"));
    } else if (key == "periods") {
      if (!value.is_array()) Bad(at + ".periods", "needs a list of [start, stop] pairs");
      for (const auto& p : value) {
        if (!p.is_array() || p.size() != 2) Bad(at + ".periods", "each period is [start, stop]");
        schedule.AppendPeriod(d, ReadMinutes(p[0], at + ".periods"),
                              ReadMinutes(p[1], at + ".periods"));
      }
    } else {
      Bad(at + "." + name, "is not a day type field");
    }
  }
}

void ReadSchedule(const Json& json, cTimeSchedule& schedule) {
  if (!json.is_object()) Bad("schedule", "needs an object");
  for (const auto& [name, value] : json.items()) {
    const std::string key = SnakeCase(name);
    if (key == "use_calendar") {
      schedule.m_UseCalendar = ReadFlag(value, "schedule.use_calendar");
    } else if (key == "day_types") {
      if (!value.is_array()) Bad("schedule.day_types", "needs a list");
      std::set<int> seen;
      for (const auto& day_type : value) ReadDayType(day_type, schedule, seen);
    } else {
      Bad("schedule." + name, "is not a schedule field");
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
    day_types.push_back({{"day_type", d},
                         {"label", Cp1252ToUtf8(DayTypeLabel(d, names))},
                         {"active", Flag(schedule.GetActive(d))},
                         {"grouped", Flag(schedule.GetGrouped(d))},
                         {"axis", schedule.GetAxis(d)},
                         {"periods", periods}});
  }
  return {{"profile_number", r.ProfileNumber},
          {"profile_word", r.ProfileWord},
          {"name", Cp1252ToUtf8(r.Name)},
          {"words_a", IntArray(r.WordsA)},
          {"text_a", Cp1252ToUtf8(r.TextA)},
          {"text_b", Cp1252ToUtf8(r.TextB)},
          {"text_list", TextArray(r.TextList)},
          {"words_b", IntArray(r.WordsB)},
          {"text_c", Cp1252ToUtf8(r.TextC)},
          {"words_c0", r.WordsC[0]},
          {"text_d", Cp1252ToUtf8(r.TextD)},
          {"text_e", Cp1252ToUtf8(r.TextE)},
          {"word_d", r.WordD},
          {"word_table", IntArray(r.WordTable)},
          {"schedule", {{"use_calendar", Flag(schedule.m_UseCalendar)}, {"day_types", day_types}}}};
}

void ProfileFromJson(const Json& json, ProfileRecord& r, cTimeSchedule& schedule) {
  if (!json.is_object()) Bad("(document)", "a profile is a JSON object");
  const auto int16 = [](const Json& v, const std::string& f) { return ReadInt16(v, f); };
  const auto text = [](const Json& v, const std::string& f) { return ReadText(v, f); };
  for (const auto& [name, value] : json.items()) {
    const std::string key = SnakeCase(name);
    if (key == "profile_number") {
      r.ProfileNumber = ReadInt16(value, key);
    } else if (key == "profile_word") {
      r.ProfileWord = ReadInt16(value, key);
    } else if (key == "name") {
      r.Name = ReadText(value, key);
    } else if (key == "words_a") {
      ReadArray(value, key, r.WordsA, int16);
    } else if (key == "text_a") {
      r.TextA = ReadText(value, key);
    } else if (key == "text_b") {
      r.TextB = ReadText(value, key);
    } else if (key == "text_list") {
      ReadArray(value, key, r.TextList, text);
    } else if (key == "words_b") {
      ReadArray(value, key, r.WordsB, int16);
    } else if (key == "text_c") {
      r.TextC = ReadText(value, key);
    } else if (key == "words_c0") {
      r.WordsC[0] = ReadInt16(value, key);
    } else if (key == "text_d") {
      r.TextD = ReadText(value, key);
    } else if (key == "text_e") {
      r.TextE = ReadText(value, key);
    } else if (key == "word_d") {
      r.WordD = ReadInt16(value, key);
    } else if (key == "word_table") {
      ReadArray(value, key, r.WordTable, int16);
    } else if (key == "schedule") {
      ReadSchedule(value, schedule);
    } else {
      Bad(name, "is not a profile field");
    }
  }
  if (r.Name.empty()) Bad("name", "a profile needs a name");
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
