#include "schedule/ole_date.h"

#include <ctime>

namespace orlund {

namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days from 1970-01-01 of a proleptic Gregorian date (month 1..12).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = FloorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Serial day of 1970-01-01.
constexpr int64_t kUnixEpochSerialDay = 25569;

constexpr const char* kMonthNames[12] = {"January",   "February", "March",    "April",
                                         "May",       "June",     "July",     "August",
                                         "September", "October",  "November", "December"};

}  // namespace

int32_t SerialDayFromParts(int32_t year, int32_t month, int32_t day) {
  const int64_t months = static_cast<int64_t>(year) * 12 + (month - 1);
  const int64_t y = FloorDiv(months, 12);
  const int64_t m = months - y * 12 + 1;
  return static_cast<int32_t>(DaysFromCivil(y, m, 1) + kUnixEpochSerialDay + (day - 1));
}

std::optional<int32_t> DateSerial(int32_t year, int32_t month, int32_t day) {
  int64_t full_year = year;
  if (full_year >= 0 && full_year <= 29) {
    full_year += 2000;
  } else if (full_year >= 30 && full_year <= 99) {
    full_year += 1900;
  }
  const int64_t months = full_year * 12 + (int64_t{month} - 1);
  const int64_t y = FloorDiv(months, 12);
  const int64_t serial =
      DaysFromCivil(y, months - y * 12 + 1, 1) + kUnixEpochSerialDay + (int64_t{day} - 1);
  const int64_t first = DaysFromCivil(100, 1, 1) + kUnixEpochSerialDay;
  const int64_t last = DaysFromCivil(9999, 12, 31) + kUnixEpochSerialDay;
  if (serial < first || serial > last) return std::nullopt;
  return static_cast<int32_t>(serial);
}

CivilDate PartsFromSerialDay(int32_t serial_day) {
  const int64_t z = static_cast<int64_t>(serial_day) - kUnixEpochSerialDay + 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = yoe + era * 400 + (m <= 2);
  return CivilDate{static_cast<int32_t>(y), static_cast<int32_t>(m), static_cast<int32_t>(d)};
}

int32_t WeekdayMondayFirst(int32_t serial_day) {
  // Serial day 0, 30 December 1899, was a Saturday.
  int64_t weekday = (static_cast<int64_t>(serial_day) + 5) % 7;
  return static_cast<int32_t>(weekday < 0 ? weekday + 7 : weekday);
}

int32_t DaysInMonth(int32_t year, int32_t month) {
  return SerialDayFromParts(year, month + 1, 1) - SerialDayFromParts(year, month, 1);
}

int32_t WeekOfYear(int32_t serial_day) {
  const CivilDate date = PartsFromSerialDay(serial_day);
  const int32_t first = SerialDayFromParts(date.year, 1, 1);
  const int32_t first_weekday_from_sunday = (WeekdayMondayFirst(first) + 1) % 7;
  return (serial_day - first + first_weekday_from_sunday) / 7 + 1;
}

std::string MonthYearTitle(int32_t serial_day) {
  const CivilDate date = PartsFromSerialDay(serial_day);
  std::string year = std::to_string(date.year < 0 ? -date.year : date.year);
  if (year.size() < 4) year.insert(0, 4 - year.size(), '0');
  return std::string(kMonthNames[date.month - 1]) + " " + (date.year < 0 ? "-" : "") + year;
}

int32_t TodaySerialDay() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return SerialDayFromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

}  // namespace orlund
