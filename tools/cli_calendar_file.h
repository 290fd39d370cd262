#pragma once
// Dates of the global calendar and the readable calendar file the operator
// edits: one "YYYY-MM-DD day-type" per line, the day type a number 0..22 or
// a day type name (letter case ignored), "#" starting a comment, blank lines
// skipped. It is the same form the calendar listing prints, so a listing
// saved to a file can be edited and sent back.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/messages.h"

namespace orlund {

// "YYYY-MM-DD" of a day index (0 = 2000-01-01).
std::string DayIndexToDate(int32_t day_index);

// The day index of a "YYYY-MM-DD" date from 2000-01-01 to 2039-12-31;
// nothing for any other text or date.
std::optional<int32_t> DateToDayIndex(std::string_view date);

// The day type a text names: a number 0..22, else the one day type whose
// name equals the text without regard to letter case. Throws CliError
// (kExitBadInput) for an unknown or ambiguous name or a number out of range.
int FindDayType(std::string_view text, const DayTypeNames& names);

// Parses a calendar file into (day index, day type + 1) pairs in ascending
// day order. Texts that are valid UTF-8 are converted to Windows-1252 before
// names are compared. Throws CliError (kExitBadInput) naming the first bad
// line by its number: a malformed or out-of-range date, an unknown day type,
// or a date listed twice.
std::vector<CalendarPair> ParseCalendarFile(std::string_view text, const DayTypeNames& names);

}  // namespace orlund
