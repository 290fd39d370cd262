#pragma once
// The holiday file of a language: lines of fields separated by ";" (date,
// day type, view-in-calendar value, label); lines starting with ";" and
// blank lines are skipped.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orlund {

// ApplicationDirectory + "Orlund_Holidays." + the language code.
std::string HolidayFilePath(std::string_view application_directory, std::string_view language);

// The day index of a holiday line's date field: year from characters 1 to 4,
// month from 6 and 7, day from 9 and 10 (counted from 1), each its numeric
// value, built with DateSerial; -1 when the date cannot be built.
int32_t HolidayDayIndex(std::string_view date_field);

struct HolidayEntry {
  int32_t day_index = 0;  // 0..14609
  int16_t day_type = 0;   // the low 16 bits of the field's numeric value
  int16_t view = 0;       // likewise
  std::string label;      // blanks trimmed
  friend bool operator==(const HolidayEntry&, const HolidayEntry&) = default;
};

// At most this many entries are read, so that a count fits a 16-bit field.
inline constexpr size_t kMaxHolidayEntries = 32767;

// The lines of the file whose date has a day index 0 to 14609, in file order.
std::vector<HolidayEntry> ParseHolidayFile(std::string_view file_bytes);

}  // namespace orlund
