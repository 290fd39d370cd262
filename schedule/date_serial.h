#pragma once
// Serial day numbers: whole days since 30 December 1899, the day count of an
// automation date. Day index 0 of a calendar (1 January 2000) is serial 36526.

#include <cstdint>
#include <optional>

namespace orlund {

// The serial day number of a date given by year, month and day, built the
// way the date-from-parts function of the automation platform builds it:
// - a year 0 to 29 means 2000 to 2029, a year 30 to 99 means 1930 to 1999;
// - a month outside 1 to 12 carries into the years (month 13 is January of
//   the next year, month 0 December of the year before);
// - a day outside its month carries into the months (day 32 of January is
//   1 February, day 0 the last day of the month before).
// Nothing when the resulting date lies outside 1 January 100 to
// 31 December 9999.
std::optional<int32_t> DateSerial(int32_t year, int32_t month, int32_t day);

}  // namespace orlund
