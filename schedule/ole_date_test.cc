#include "schedule/ole_date.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>

namespace orlund {
namespace {

// FNV-1a over the text of every result, so that one constant pins all of them.
uint64_t Digest(const std::string& text) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (char c : text) hash = (hash ^ static_cast<uint8_t>(c)) * 0x100000001B3ull;
  return hash;
}

// Every function over every day from 30 December 1899 to 31 December 2100,
// and the two date builders over a grid of parts in and out of range.
TEST(OleDateTest, EveryResultMatchesItsRecordedDigest) {
  std::ostringstream days;
  for (int32_t serial = 0; serial <= 73415; ++serial) {
    const CivilDate date = PartsFromSerialDay(serial);
    days << date.year << '-' << date.month << '-' << date.day << ' '
         << SerialDayFromParts(date.year, date.month, date.day) << ' ' << WeekdayMondayFirst(serial)
         << ' ' << DaysInMonth(date.year, date.month) << ' ' << WeekOfYear(serial) << ' '
         << MonthYearTitle(serial) << '\n';
  }
  EXPECT_EQ(Digest(days.str()), 0xF42CBC65B86754C8ull);

  std::ostringstream grid;
  const auto add_year = [&grid](int32_t year) {
    for (int32_t month = -20; month <= 40; ++month) {
      for (int32_t day = -40; day <= 70; ++day) {
        const std::optional<int32_t> serial = DateSerial(year, month, day);
        grid << (serial ? std::to_string(*serial) : "-") << ' '
             << SerialDayFromParts(year, month, day) << '\n';
      }
    }
  };
  for (int32_t year = -2; year <= 130; ++year) add_year(year);
  for (int32_t year = 1890; year <= 2110; ++year) add_year(year);
  for (int32_t year = 9990; year <= 10010; ++year) add_year(year);
  for (int32_t year : {-32768, 32767, 65536 + 2024}) add_year(year);
  EXPECT_EQ(Digest(grid.str()), 0x25591F47043A8C59ull);
}

}  // namespace
}  // namespace orlund
