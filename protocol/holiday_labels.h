#pragma once
// The answer to a holiday label request, built from the bytes of a holiday
// file: lines of fields separated by ";" (date, day type, view-in-calendar
// value, label); lines starting with ";" and blank lines are skipped.

#include <cstdint>
#include <string>
#include <string_view>

namespace orlund {

// The holiday file of a language: ApplicationDirectory + "Orlund_Holidays." +
// the language code.
std::string HolidayFilePath(std::string_view application_directory, std::string_view language);

// The day index of a holiday line's date field: year from characters 1 to 4,
// month from 6 and 7, day from 9 and 10 (counted from 1), each its numeric
// value, built with DateSerial; -1 when the date cannot be built.
int32_t HolidayDayIndex(std::string_view date_field);

// The type 140 payload: int16 N, then per line whose date has a day index 0
// to 14609, in file order: int32 day index, int16 day type, int16 view value
// (the low 16 bits of each field's numeric value), string label with blanks
// trimmed. At most 32767 entries, so that the count stays a valid int16.
std::string EncodeHolidayLabels(std::string_view file_bytes);

}  // namespace orlund
