#include "store/language_texts.h"

#include <gtest/gtest.h>

#include "base/file_utils.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

TEST(LanguageTextsTest, NumbersAndTextsOfTheLines) {
  LanguageTexts texts;
  texts.LoadFromText(
      "803=Cannot read\r\n805=skipped\r\n12=a=b\n13=\n 14 =x\n20=first\n20=second\n"
      "no equals sign\nword=zero\n2.5=even\n&H10=hex\n-7= minus \r");
  EXPECT_EQ(texts.GetText(803), "Cannot read");
  EXPECT_EQ(texts.GetText(805), "skipped");
  EXPECT_EQ(texts.GetText(12), "a=b");
  EXPECT_EQ(texts.GetText(13), "");
  EXPECT_EQ(texts.GetText(14), "x");
  EXPECT_EQ(texts.GetText(20), "first");
  EXPECT_EQ(texts.GetText(0), "zero");
  EXPECT_EQ(texts.GetText(2), "even");
  EXPECT_EQ(texts.GetText(16), "hex");
  EXPECT_EQ(texts.GetText(-7), " minus ");
  EXPECT_EQ(texts.Count(), 11u);
}

TEST(LanguageTextsTest, MissingNumbersGiveAPlaceholder) {
  LanguageTexts texts;
  EXPECT_EQ(texts.GetText(999), "Invalid Text (999)");
  EXPECT_EQ(texts.GetText(-5), "Invalid Text (-5)");
  texts.LoadFromText("1=x\n");
  EXPECT_EQ(texts.GetText(2), "Invalid Text (2)");
}

TEST(LanguageTextsTest, NumbersBeyond32BitsAreSkipped) {
  LanguageTexts texts;
  texts.LoadFromText("2147483648=big\n-2147483649=small\n1e99=huge\n2147483647=max\n5=five\n");
  EXPECT_EQ(texts.Count(), 2u);
  EXPECT_EQ(texts.GetText(2147483647), "max");
  EXPECT_EQ(texts.GetText(5), "five");
}

TEST(LanguageTextsTest, LoadsTheConfiguredLanguage) {
  TestTempDir project;
  TestTempDir app;
  LanguageTexts texts;
  texts.LoadFromText("1=old\n");
  EXPECT_FALSE(texts.LoadLanguageTexts(project.path(), app.path()));  // no INI file
  EXPECT_EQ(texts.Count(), 0u);
  ASSERT_TRUE(WriteFileAtomically(project.path() + "Orlund_Server.ini", "[General]\nLanguage=\n"));
  ASSERT_TRUE(WriteFileAtomically(app.path() + "Orlund_Texts.", "1=x\n"));
  EXPECT_FALSE(texts.LoadLanguageTexts(project.path(), app.path()));  // empty language
  ASSERT_TRUE(
      WriteFileAtomically(project.path() + "Orlund_Server.ini", "[general]\nLanguage = DEU\n"));
  EXPECT_FALSE(texts.LoadLanguageTexts(project.path(), app.path()));  // no DEU file
  ASSERT_TRUE(WriteFileAtomically(app.path() + "Orlund_Texts.DEU", "803=Lesefehler\n"));
  EXPECT_TRUE(texts.LoadLanguageTexts(project.path(), app.path()));
  EXPECT_EQ(texts.GetText(803), "Lesefehler");
}

TEST(LanguageTextsTest, ShippedEnglishFileHoldsEveryTextTheServerUses) {
  auto content = ReadFileBytes(std::string(ORLUND_SOURCE_DIR) + "/share/Orlund_Texts.ENG");
  ASSERT_TRUE(content);
  EXPECT_EQ(content->find('\r'), std::string::npos);
  LanguageTexts texts;
  texts.LoadFromText(*content);
  std::vector<int32_t> used = {125, 144, 146, 176, 178, 803, 804, 805, 813, 845, 888};
  for (int32_t n = 611; n <= 617; ++n) used.push_back(n);
  for (int32_t n = 620; n <= 635; ++n) used.push_back(n);
  for (int32_t n = 875; n <= 883; ++n) used.push_back(n);
  for (int32_t n : used) {
    EXPECT_NE(texts.GetText(n).find_first_not_of(' '), std::string::npos) << n;
    EXPECT_EQ(texts.GetText(n).find("Invalid Text"), std::string::npos) << n;
  }
  EXPECT_EQ(texts.GetText(611), "Monday");
  EXPECT_EQ(texts.GetText(617), "Sunday");
  // Every line is a numbered text or a comment: no stray entry 0.
  EXPECT_EQ(texts.GetText(0), "Invalid Text (0)");
  EXPECT_EQ(texts.Count(), used.size());
}

}  // namespace
}  // namespace orlund
