#include "tools/cli_calendar_file.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <map>

#include "base/text_case.h"
#include "base/text_utils.h"
#include "schedule/calendar.h"
#include "schedule/ole_date.h"
#include "tools/cli_error.h"
#include "tools/cli_text.h"

namespace orlund {
namespace {

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::optional<int> ParseDigits(std::string_view text) {
  if (text.empty() ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  int value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

}  // namespace

std::string DayIndexToDate(int32_t day_index) {
  // A server may send any day index. Near the top of the range the serial
  // day does not fit 32 bits; the day 400 years earlier, a whole number of
  // weeks and leap days before, has the same month and day.
  constexpr int32_t kFourCenturies = 146097;
  int32_t years_later = 0;
  if (day_index > std::numeric_limits<int32_t>::max() - kCalendarFirstSerialDay) {
    day_index -= kFourCenturies;
    years_later = 400;
  }
  CivilDate date = PartsFromSerialDay(kCalendarFirstSerialDay + day_index);
  date.year += years_later;
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

std::optional<int32_t> DateToDayIndex(std::string_view date) {
  if (date.size() != 10 || date[4] != '-' || date[7] != '-') return std::nullopt;
  const auto y = ParseDigits(date.substr(0, 4));
  const auto m = ParseDigits(date.substr(5, 2));
  const auto d = ParseDigits(date.substr(8, 2));
  if (!y || !m || !d) return std::nullopt;
  if (*m < 1 || *m > 12 || *d < 1 || *d > DaysInMonth(*y, *m)) return std::nullopt;
  const int32_t index = SerialDayFromParts(*y, *m, *d) - kCalendarFirstSerialDay;
  if (index < 0 || index >= kCalendarDayCount) return std::nullopt;
  return index;
}

int FindDayType(std::string_view text, const DayTypeNames& names) {
  if (text.empty()) throw CliError(kExitBadInput, "an empty text names no day type");
  if (const auto number = ParseDigits(text)) {
    if (*number >= kDayTypeCount)
      throw CliError(kExitBadInput, "day type " + std::string(text) + " is not in 0..22");
    return *number;
  }
  const std::string wanted = OperatorTextTo1252(text, "the day type name");
  int found = -1;
  for (int d = 0; d < kDayTypeCount; ++d) {
    if (!EqualsIgnoreCase1252(names[d], wanted)) continue;
    if (found >= 0)
      throw CliError(kExitBadInput, "day type name '" + std::string(text) +
                                        "' is ambiguous (day types " + std::to_string(found) +
                                        " and " + std::to_string(d) + "); use the number");
    found = d;
  }
  if (found < 0) throw CliError(kExitBadInput, "unknown day type '" + std::string(text) + "'");
  return found;
}

std::vector<CalendarPair> ParseCalendarFile(std::string_view text, const DayTypeNames& names) {
  std::map<int32_t, int16_t> days;
  LineReader lines{std::string(text)};
  std::string line;
  for (int number = 1; lines.Next(line); ++number) {
    const auto fail = [&](const std::string& why) {
      throw CliError(kExitBadInput, "line " + std::to_string(number) + ": " + why);
    };
    std::string_view content = line;
    if (const size_t hash = content.find('#'); hash != std::string_view::npos)
      content = content.substr(0, hash);
    content = Trim(content);
    if (content.empty()) continue;
    const size_t blank = content.find_first_of(" \t");
    const std::string_view date = content.substr(0, blank);
    const std::string_view day_type =
        blank == std::string_view::npos ? std::string_view{} : Trim(content.substr(blank));
    const auto index = DateToDayIndex(date);
    if (!index)
      fail("'" + std::string(date) + "' is not a date YYYY-MM-DD from 2000-01-01 to 2039-12-31");
    if (day_type.empty()) fail("a day type must follow the date");
    int found = 0;
    try {
      found = FindDayType(day_type, names);
    } catch (const CliError& e) {
      fail(e.what());
    }
    if (!days.emplace(*index, static_cast<int16_t>(found + 1)).second)
      fail(std::string(date) + " is listed twice");
  }
  std::vector<CalendarPair> pairs;
  for (const auto& [index, entry] : days) pairs.push_back({static_cast<int16_t>(index), entry});
  return pairs;
}

}  // namespace orlund
