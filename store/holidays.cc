#include "store/holidays.h"

#include <cmath>
#include <optional>

#include "base/numeric.h"
#include "base/text_utils.h"
#include "schedule/calendar.h"
#include "schedule/ole_date.h"

namespace orlund {
namespace {

// Characters `start` (counted from 1) to start + length - 1, fewer when the
// text ends first.
std::string_view Mid(std::string_view text, size_t start, size_t length) {
  if (start > text.size()) return {};
  return text.substr(start - 1, length);
}

std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The low 16 bits of a field's rounded numeric value.
int16_t LowBits16(std::string_view text) {
  const double value = RoundHalfEven(TextToNumber(text));
  if (!std::isfinite(value)) return 0;
  const double low = std::fmod(value, 65536.0);  // exact, in -65535..65535
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<int32_t>(low)));
}

}  // namespace

std::string HolidayFilePath(std::string_view application_directory, std::string_view language) {
  return std::string(application_directory) + "Orlund_Holidays." + std::string(language);
}

int32_t HolidayDayIndex(std::string_view date_field) {
  const std::optional<int16_t> year = TextToInt16(Mid(date_field, 1, 4));
  const std::optional<int16_t> month = TextToInt16(Mid(date_field, 6, 2));
  const std::optional<int16_t> day = TextToInt16(Mid(date_field, 9, 2));
  if (!year || !month || !day) return -1;
  const std::optional<int32_t> serial = DateSerial(*year, *month, *day);
  if (!serial) return -1;
  return *serial - kCalendarFirstSerialDay;
}

std::vector<HolidayEntry> ParseHolidayFile(std::string_view file_bytes) {
  std::vector<HolidayEntry> entries;
  LineReader lines{std::string(file_bytes)};
  std::string line;
  while (entries.size() < kMaxHolidayEntries && lines.Next(line)) {
    if (line.starts_with(';') || TrimBlanks(line).empty()) continue;
    const int32_t day_index = HolidayDayIndex(GetField(line, 0, std::string_view(";")));
    if (day_index < 0 || day_index >= kCalendarDayCount) continue;
    entries.push_back({day_index, LowBits16(GetField(line, 1, std::string_view(";"))),
                       LowBits16(GetField(line, 2, std::string_view(";"))),
                       std::string(TrimBlanks(GetField(line, 3, std::string_view(";"))))});
  }
  return entries;
}

}  // namespace orlund
