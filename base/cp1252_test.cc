#include "base/cp1252.h"

#include <gtest/gtest.h>

namespace orlund {
namespace {

TEST(Cp1252Text, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string utf8 = Cp1252ToUtf8(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_EQ(Utf8ToCp1252(utf8), all);
}

TEST(Cp1252Text, KnownCharacters) {
  EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
  EXPECT_EQ(Cp1252ToUtf8("\x9F"), "\xC5\xB8");      // Y with diaeresis
  EXPECT_EQ(Cp1252ToUtf8("\xE9"), "\xC3\xA9");      // e acute, Latin-1
  EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xC2\x81");      // undefined: same control code
  EXPECT_EQ(Utf8ToCp1252("\xE2\x80\x9C"
                         "x"),
            "\x93x");  // left double quote
}

TEST(Cp1252Text, UnwritableOrMalformedUtf8) {
  EXPECT_FALSE(Utf8ToCp1252("\xE4\xB8\xAD"));  // a CJK character
  EXPECT_FALSE(Utf8ToCp1252("\xC3"));          // cut short
  EXPECT_FALSE(Utf8ToCp1252("\xC0\xAF"));      // overlong
  EXPECT_FALSE(Utf8ToCp1252("\xED\xA0\x80"));  // surrogate
  EXPECT_FALSE(IsValidUtf8("\xFF"));
}

}  // namespace
}  // namespace orlund
