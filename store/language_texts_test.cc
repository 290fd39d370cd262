#include "store/language_texts.h"

#include <gtest/gtest.h>

#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

TEST(LanguageTextsTest, NumbersAndTextsOfTheLines) {
  LanguageTexts texts;
  const std::string megabyte(1 << 20, 'x');
  texts.LoadFromText(
      "803=Cannot read\r\n12=a=b\n13=\n 14 =x\n20=first\n20=second\nno equals sign\n" + megabyte +
      "\nword=zero\n2.5=even\n&H10=hex\n-7= minus \r2147483648=big\n" +
      "-2147483649=small\n1e99=huge\n2147483647=max\n805=" + megabyte + "\n80");
  const std::vector<std::pair<int32_t, std::string>> expected = {
      {803, "Cannot read"}, {12, "a=b"},         {13, ""},        {14, "x"},
      {20, "first"},        {0, "zero"},         {2, "even"},     {16, "hex"},
      {-7, " minus "},      {2147483647, "max"}, {805, megabyte}, {999, "Invalid Text (999)"}};
  for (const auto& [number, text] : expected) EXPECT_EQ(texts.GetText(number), text) << number;
  EXPECT_EQ(texts.Count(), 12u);  // the second 20 is kept, but never found
}

TEST(LanguageTextsTest, LoadsTheConfiguredLanguage) {
  TestTempDir project;
  TestTempDir app;
  LanguageTexts texts;
  texts.LoadFromText("1=old\n");
  EXPECT_FALSE(texts.LoadLanguageTexts(project.path(), app.path()));  // no INI file
  EXPECT_EQ(texts.Count(), 0u);
  project.Put("Orlund_Server.ini", "[General]\nLanguage=\n");
  app.Put("Orlund_Texts.", "1=x\n");
  EXPECT_FALSE(texts.LoadLanguageTexts(project.path(), app.path()));  // empty language
  project.Put("Orlund_Server.ini", "[general]\nLanguage = DEU\n");
  EXPECT_FALSE(texts.LoadLanguageTexts(project.path(), app.path()));  // no DEU file
  app.Put("Orlund_Texts.DEU", "803=Lesefehler\n");
  EXPECT_TRUE(texts.LoadLanguageTexts(project.path(), app.path()));
  EXPECT_EQ(texts.GetText(803), "Lesefehler");
}

TEST(LanguageTextsTest, ShippedEnglishFileHoldsEveryTextTheServerUses) {
  const std::string content =
      testing::ReadFile(std::string(ORLUND_SOURCE_DIR) + "/share/Orlund_Texts.ENG");
  EXPECT_EQ(content.find('\r'), std::string::npos);
  LanguageTexts texts;
  texts.LoadFromText(content);
  std::vector<int32_t> used = {125, 144, 146, 176, 178, 803, 804, 805, 813, 845, 888};
  for (int32_t n = 611; n <= 617; ++n) used.push_back(n);
  for (int32_t n = 620; n <= 635; ++n) used.push_back(n);
  for (int32_t n = 875; n <= 883; ++n) used.push_back(n);
  for (int32_t n : used) {
    EXPECT_NE(texts.GetText(n).find_first_not_of(' '), std::string::npos) << n;
    EXPECT_EQ(texts.GetText(n).find("Invalid Text"), std::string::npos) << n;
  }
  // Every line is a numbered text or a comment: no stray entry 0.
  EXPECT_EQ(texts.Count(), used.size());
}

}  // namespace
}  // namespace orlund
