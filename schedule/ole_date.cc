#include "schedule/ole_date.h"

#include <chrono>

#include "base/clock.h"

namespace orlund {

namespace {

using std::chrono::days;
using std::chrono::month;
using std::chrono::months;
using std::chrono::sys_days;
using std::chrono::weekday;
using std::chrono::year;
using std::chrono::year_month;
using std::chrono::year_month_day;

// The Gregorian calendar repeats itself every 400 years, which are 146097
// days, a whole number of weeks. A chrono year holds only -32767..32767, so
// every date is computed in the cycle starting 1 January 2000 and moved by
// whole cycles: parts and serial days of any 32-bit size give the exact
// proleptic result.
constexpr int64_t kCycleYears = 400;
constexpr int64_t kCycleDays = 146097;
constexpr int32_t kCycleFirstYear = 2000;
constexpr sys_days kSerialDayZero = year(1899) / 12 / 30;
constexpr sys_days kCycleFirstDay = year(kCycleFirstYear) / 1 / 1;
constexpr int64_t kCycleFirstSerialDay = (kCycleFirstDay - kSerialDayZero).count();

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// A month counted from January of year 0, split into whole cycles and the
// year and month inside the cycle starting in kCycleFirstYear.
struct CycleMonth {
  int64_t cycles;
  year_month in_cycle;
};

CycleMonth SplitMonth(int64_t year_number, int64_t month_number) {
  const int64_t months_from_cycle_start = (year_number - kCycleFirstYear) * 12 + (month_number - 1);
  const int64_t cycles = FloorDiv(months_from_cycle_start, kCycleYears * 12);
  const int64_t rest = months_from_cycle_start - cycles * kCycleYears * 12;
  return {cycles, year_month(year(kCycleFirstYear), month(1)) + months(rest)};
}

// The serial day of year/month/day with months and days carried over.
int64_t SerialDay(int64_t year_number, int64_t month_number, int64_t day_number) {
  const CycleMonth split = SplitMonth(year_number, month_number);
  const sys_days first = split.in_cycle / 1;
  return (first - kSerialDayZero).count() + split.cycles * kCycleDays + (day_number - 1);
}

// A serial day as a day of the cycle starting 1 January 2000 and the whole
// cycles before (or after) it.
struct CycleDay {
  int64_t cycles;
  sys_days in_cycle;
};

CycleDay SplitDay(int32_t serial_day) {
  const int64_t from_cycle_start = int64_t{serial_day} - kCycleFirstSerialDay;
  const int64_t cycles = FloorDiv(from_cycle_start, kCycleDays);
  return {cycles, kCycleFirstDay + days(from_cycle_start - cycles * kCycleDays)};
}

CivilDate Parts(const CycleDay& day) {
  const year_month_day date{day.in_cycle};
  return CivilDate{static_cast<int32_t>(int{date.year()} + day.cycles * kCycleYears),
                   static_cast<int32_t>(unsigned{date.month()}),
                   static_cast<int32_t>(unsigned{date.day()})};
}

constexpr const char* kMonthNames[12] = {"January",   "February", "March",    "April",
                                         "May",       "June",     "July",     "August",
                                         "September", "October",  "November", "December"};

}  // namespace

int32_t SerialDayFromParts(int32_t year, int32_t month, int32_t day) {
  return static_cast<int32_t>(SerialDay(year, month, day));
}

std::optional<int32_t> DateSerial(int32_t year, int32_t month, int32_t day) {
  int64_t full_year = year;
  if (full_year >= 0 && full_year <= 29) {
    full_year += 2000;
  } else if (full_year >= 30 && full_year <= 99) {
    full_year += 1900;
  }
  const int64_t serial = SerialDay(full_year, month, day);
  if (serial < SerialDay(100, 1, 1) || serial > SerialDay(9999, 12, 31)) return std::nullopt;
  return static_cast<int32_t>(serial);
}

CivilDate PartsFromSerialDay(int32_t serial_day) { return Parts(SplitDay(serial_day)); }

int32_t WeekdayMondayFirst(int32_t serial_day) {
  // A cycle is a whole number of weeks, so the day inside it has the weekday.
  return static_cast<int32_t>(weekday(SplitDay(serial_day).in_cycle).iso_encoding()) - 1;
}

int32_t DaysInMonth(int32_t year, int32_t month) {
  const year_month in_cycle = SplitMonth(year, month).in_cycle;
  return static_cast<int32_t>(unsigned{(in_cycle / std::chrono::last).day()});
}

int32_t WeekOfYear(int32_t serial_day) {
  const sys_days day = SplitDay(serial_day).in_cycle;
  const sys_days first = year_month_day(day).year() / 1 / 1;
  const int64_t first_weekday_from_sunday = weekday(first).c_encoding();
  return static_cast<int32_t>(((day - first).count() + first_weekday_from_sunday) / 7 + 1);
}

std::string MonthYearTitle(int32_t serial_day) {
  const CivilDate date = PartsFromSerialDay(serial_day);
  std::string year = std::to_string(date.year < 0 ? -int64_t{date.year} : date.year);
  if (year.size() < 4) year.insert(0, 4 - year.size(), '0');
  return std::string(MonthName(date.month)) + " " + (date.year < 0 ? "-" : "") + year;
}

const char* MonthName(int32_t month) {
  return month >= 1 && month <= 12 ? kMonthNames[month - 1] : "";
}

int32_t TodaySerialDay() {
  const std::tm now = LocalNow();
  return SerialDayFromParts(now.tm_year + 1900, now.tm_mon + 1, now.tm_mday);
}

}  // namespace orlund
