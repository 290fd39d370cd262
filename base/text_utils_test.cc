#include "base/text_utils.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/errors.h"

namespace orlund {
namespace {

TEST(GetFieldTest, SplitsAtTheSeparatorOrTheFirstThatOccurs) {
  const std::string nul("\0", 1), names("n1\0n2\0", 6);
  const std::vector<std::tuple<std::string, int, std::string, std::string>> cases = {
      {"a,b,c", 1, ",", "b"}, {"a,b,c", 3, ",", ""}, {"a,,c", 1, ",", ""},
      {"abc", 0, ",", "abc"}, {"abc", -1, ",", ""},  {"a<>b<>c", 2, "<>", "c"},
      {names, 1, nul, "n2"},  {names, 2, nul, ""}};
  for (const auto& [text, index, separator, field] : cases) {
    EXPECT_EQ(GetField(text, index, std::string_view(separator)), field) << text << index;
  }
  std::string separator;  // an empty separator is chosen and written back
  EXPECT_EQ(GetField("a;b\tc", 1, separator), "c");
  EXPECT_EQ(separator, "\t");
  separator.clear();
  EXPECT_EQ(GetField("abc", 1, separator), "");
  EXPECT_EQ(separator, "");
  EXPECT_EQ(GetField("a;b", 1, std::string_view()), "b");
}

TEST(TimeTextTest, SeparatedAndUnseparatedTimes) {
  for (const char* text : {"7:30", "7.30", "7,30", "7 30", "7-30", "7+30", " 7: 30", "7:30.4"}) {
    EXPECT_EQ(TimeTextToMinutes(text), 450) << text;
  }
  const std::vector<std::pair<const char*, int32_t>> cases = {
      {"07.5", 425},
      {"7-30:00", 420},
      {"7:30.5", 450},  // 450.5 rounds to even
      {"24:00", 1440},
      {"25:00", 1440},
      {"-15", 15},
      {"0:-30", 0},
      {"12", 720},
      {"830", 510},
      {"0830", 510},
      {"05", 5},
      {"8", 480},
      {"", 0},
      {"123456", 1440},
      {"ab", 0},
      // Huge numbers clamp instead of overflowing.
      {"99999999999:00", 1440},
      {"-1e999:1e999", 0},
      {"1e999:-1e999", 1440}};
  for (const auto& [text, minutes] : cases) EXPECT_EQ(TimeTextToMinutes(text), minutes) << text;
}

TEST(TwoCharIntegerTest, EncodesHighByteFirstAndRoundTrips) {
  EXPECT_EQ(IntegerToChars(300), std::string("\x01\x2C", 2));
  for (int32_t x = -32768; x <= 32767; ++x) ASSERT_EQ(CharsToInteger(IntegerToChars(x)), x);
  EXPECT_THROW(CharsToInteger("a"), InvalidArgumentError);
  EXPECT_THROW(IntegerToChars(32768), OverflowError);
  EXPECT_THROW(IntegerToChars(-32769), OverflowError);
}

std::vector<std::string> AllLines(std::string bytes) {
  LineReader reader(std::move(bytes));
  std::vector<std::string> lines;
  std::string line;
  while (reader.Next(line)) lines.push_back(line);
  EXPECT_TRUE(line.empty());
  return lines;
}

TEST(LineReaderTest, AcceptsEveryLineEnd) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(AllLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(AllLines("a\n"), (Lines{"a"}));
  EXPECT_EQ(AllLines("a\n\n"), (Lines{"a", ""}));
  EXPECT_EQ(AllLines("\r\r\n\n"), (Lines{"", "", ""}));
  EXPECT_EQ(AllLines("a\n\rb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(AllLines(""), Lines{});
  EXPECT_EQ(AllLines(std::string("x\0y\n", 4)), Lines{std::string("x\0y", 3)});
}

TEST(LineReaderTest, EndsOnGarbageAndLongLines) {
  std::string garbage;
  for (int i = 0; i < 100000; ++i) garbage += static_cast<char>((i * 7919) % 256);
  size_t total = 0;
  for (const auto& line : AllLines(garbage)) total += line.size();
  EXPECT_LT(total, garbage.size());
  auto lines = AllLines(std::string(1 << 20, 'x') + "\r\nend");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), 1u << 20);
  EXPECT_EQ(lines[1], "end");
}

}  // namespace
}  // namespace orlund
