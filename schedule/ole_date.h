#pragma once
// Whole dates as serial day numbers: days counted from 30 December 1899
// (day 0), so 1 January 2000 is day 36526. These are the date rules of the
// calendar and its month view: building a date from parts with carry-over,
// weekdays, days of a month, the week of the year and the month title.

#include <cstdint>
#include <optional>
#include <string>

namespace orlund {

struct CivilDate {
  int32_t year = 0;
  int32_t month = 0;  // 1..12
  int32_t day = 0;    // 1..31
};

// The serial day of year/month/day. A month outside 1..12 carries into the
// years before or after, and a day outside the month into the months before
// or after (month 13 of 2023 is January 2024, day 0 is the previous month's
// last day), in the proleptic Gregorian calendar.
int32_t SerialDayFromParts(int32_t year, int32_t month, int32_t day);

// The serial day number of a date typed as year, month and day parts, the
// way the automation platform's date-from-parts function builds it: a year
// 0 to 29 means 2000 to 2029, a year 30 to 99 means 1930 to 1999; months and
// days carry over as in SerialDayFromParts. Nothing when the date lies
// outside 1 January 100 to 31 December 9999.
std::optional<int32_t> DateSerial(int32_t year, int32_t month, int32_t day);

CivilDate PartsFromSerialDay(int32_t serial_day);

// 0 for Monday to 6 for Sunday.
int32_t WeekdayMondayFirst(int32_t serial_day);

// Number of days of the given month of a year; a month outside 1..12
// carries into the years before or after, as in SerialDayFromParts.
int32_t DaysInMonth(int32_t year, int32_t month);

// Week of the year as the "ww" date format gives it: weeks start on Sunday
// and week 1 is the week holding 1 January, so the result is 1..54.
int32_t WeekOfYear(int32_t serial_day);

// "mmmm yyyy": the English month name, a blank and the four-digit year
// ("January 2000").
std::string MonthYearTitle(int32_t serial_day);

// The English name of month 1..12; empty for any other number.
const char* MonthName(int32_t month);

// The serial day of the current local date.
int32_t TodaySerialDay();

}  // namespace orlund
