#include "tools/cli_calendar_file.h"

#include <gtest/gtest.h>

#include "tools/cli_error.h"

namespace orlund {
namespace {

DayTypeNames Names() {
  DayTypeNames names = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                        "Friday", "Saturday", "Sunday"};
  names[7] = "Public holiday";
  names[8] = "Half day";
  names[9] = "Half Day";  // differs only in letter case: ambiguous
  names[10] = "Caf\xE9 day";
  return names;
}

std::string ErrorOf(std::string_view text) {
  try {
    ParseCalendarFile(text, Names());
  } catch (const CliError& e) {
    EXPECT_EQ(e.code(), kExitBadInput);
    return e.what();
  }
  return "";
}

TEST(CalendarDates, DayIndexesAndDates) {
  EXPECT_EQ(DayIndexToDate(59), "2000-02-29");
  EXPECT_EQ(DayIndexToDate(14609), "2039-12-31");
  // Any day index a server sends has its date.
  EXPECT_EQ(DayIndexToDate(2147483647), "5881610-07-11");
  EXPECT_EQ(DayIndexToDate(-2147483647 - 1), "-5877611-06-22");
  EXPECT_EQ(DateToDayIndex("2039-12-31"), 14609);
  for (const char* bad : {"1999-12-31", "2040-01-01", "2023-02-29", "2026-13-01", "2026-1-01",
                          "2026/01/01", "2026-01-0x", ""})
    EXPECT_FALSE(DateToDayIndex(bad)) << bad;
}

TEST(CalendarFile, ParsesNumbersNamesAndComments) {
  const auto pairs = ParseCalendarFile(
      "# holidays\r\n"
      "2026-12-25 public HOLIDAY   # by name\r\n"
      "\n"
      "  2026-01-01\t7\n"
      "2026-06-01 Caf\xC3\xA9 day\n"  // UTF-8 in the file, Windows-1252 from the server
      "2000-01-01 0",
      Names());
  const std::vector<CalendarPair> expected = {{0, 1}, {9497, 8}, {9648, 11}, {9855, 8}};
  EXPECT_EQ(pairs, expected);
  EXPECT_TRUE(ParseCalendarFile("# nothing\n", Names()).empty());
}

TEST(CalendarFile, BadLinesNameTheirNumber) {
  EXPECT_EQ(ErrorOf("2026-01-01 7\n2026-02-30 7\n"),
            "line 2: '2026-02-30' is not a date YYYY-MM-DD from 2000-01-01 to 2039-12-31");
  EXPECT_EQ(ErrorOf("\n\n2026-01-01\n"), "line 3: a day type must follow the date");
  EXPECT_EQ(ErrorOf("2026-01-01 Easter\n"), "line 1: unknown day type 'Easter'");
  EXPECT_EQ(ErrorOf("2026-01-01 23\n"), "line 1: day type 23 is not in 0..22");
  EXPECT_EQ(ErrorOf("2026-01-01 7\n2026-01-01 8\n"), "line 2: 2026-01-01 is listed twice");
  EXPECT_NE(ErrorOf("2026-01-01 half day").find("line 1: day type name 'half day' is ambiguous"),
            std::string::npos);
}

}  // namespace
}  // namespace orlund
