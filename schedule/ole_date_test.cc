#include "schedule/ole_date.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace orlund {
namespace {

// A few dates worked out by hand, so that a failure of the digests below can
// be read.
TEST(OleDateTest, SpotValues) {
  EXPECT_EQ(SerialDayFromParts(2000, 1, 1), 36526);
  const CivilDate date = PartsFromSerialDay(45351);
  EXPECT_EQ(date.year * 10000 + date.month * 100 + date.day, 20240229);
  EXPECT_EQ(WeekdayMondayFirst(44927), 6);  // 1 January 2023, a Sunday
  EXPECT_EQ(WeekOfYear(36526 + 365), 54);   // 31 December 2000: a leap year's 54th week
  EXPECT_EQ(MonthYearTitle(-1), "December 1899");
  EXPECT_EQ(DaysInMonth(2100, 2), 28);
  EXPECT_EQ(SerialDayFromParts(2024, 3, 0), SerialDayFromParts(2024, 2, 29));  // carries over
  EXPECT_EQ(DateSerial(29, 12, 31), DateSerial(2029, 12, 31));                 // two-digit years
  EXPECT_EQ(DateSerial(30, 1, 1), DateSerial(1930, 1, 1));
  EXPECT_FALSE(DateSerial(9999, 12, 32).has_value());  // nothing outside 100..9999
}

// FNV-1a over every result, so that one constant pins all of them.
class Digest {
 public:
  void Add(int64_t value) {
    for (int i = 0; i < 8; ++i) Byte(static_cast<uint8_t>(value >> (8 * i)));
  }
  void Add(const std::string& text) {
    Add(static_cast<int64_t>(text.size()));
    for (char c : text) Byte(static_cast<uint8_t>(c));
  }
  uint64_t value() const { return hash_; }

 private:
  void Byte(uint8_t b) { hash_ = (hash_ ^ b) * 0x100000001B3ull; }
  uint64_t hash_ = 0xCBF29CE484222325ull;
};

// Every function over every day from 30 December 1899 to 31 December 2100,
// and the two date builders over a grid of parts in and out of range.
TEST(OleDateTest, EveryResultMatchesItsRecordedDigest) {
  Digest days;
  for (int32_t serial = 0; serial <= 73415; ++serial) {
    const CivilDate date = PartsFromSerialDay(serial);
    days.Add(date.year);
    days.Add(date.month);
    days.Add(date.day);
    days.Add(SerialDayFromParts(date.year, date.month, date.day));
    days.Add(WeekdayMondayFirst(serial));
    days.Add(DaysInMonth(date.year, date.month));
    days.Add(WeekOfYear(serial));
    days.Add(MonthYearTitle(serial));
  }
  EXPECT_EQ(days.value(), 0xA52B313F2BF0D550ull);

  Digest grid;
  const auto add_year = [&grid](int32_t year) {
    for (int32_t month = -20; month <= 40; ++month) {
      for (int32_t day = -40; day <= 70; ++day) {
        const std::optional<int32_t> serial = DateSerial(year, month, day);
        grid.Add(serial.has_value() ? *serial : int64_t{1} << 40);
        grid.Add(SerialDayFromParts(year, month, day));
      }
    }
  };
  for (int32_t year = -2; year <= 130; ++year) add_year(year);
  for (int32_t year = 1890; year <= 2110; ++year) add_year(year);
  for (int32_t year = 9990; year <= 10010; ++year) add_year(year);
  for (int32_t year : {-32768, 32767, 65536 + 2024}) add_year(year);
  EXPECT_EQ(grid.value(), 0xA2D94CA761CAD816ull);
}

}  // namespace
}  // namespace orlund
