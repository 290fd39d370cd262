#include "schedule/date_serial.h"

namespace orlund {
namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days from 1 January 1970 to the given proleptic Gregorian date.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2;
  const int64_t era = FloorDiv(year, 400);
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

int64_t SerialOf(int64_t year, int64_t month, int64_t day) {
  return DaysFromCivil(year, month, day) - DaysFromCivil(1899, 12, 30);
}

}  // namespace

std::optional<int32_t> DateSerial(int32_t year, int32_t month, int32_t day) {
  int64_t full_year = year;
  if (full_year >= 0 && full_year <= 29) {
    full_year += 2000;
  } else if (full_year >= 30 && full_year <= 99) {
    full_year += 1900;
  }
  full_year += FloorDiv(int64_t{month} - 1, 12);
  const int64_t month_of_year = int64_t{month} - 1 - FloorDiv(int64_t{month} - 1, 12) * 12 + 1;
  const int64_t serial = SerialOf(full_year, month_of_year, 1) + int64_t{day} - 1;
  if (serial < SerialOf(100, 1, 1) || serial > SerialOf(9999, 12, 31)) return std::nullopt;
  return static_cast<int32_t>(serial);
}

}  // namespace orlund
