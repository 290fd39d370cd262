#include "store/ini_file.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/file_utils.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

const std::string kSample =
    "; settings\r\n"
    "[general]\r\n"
    "Language = ENG \r\n"
    "\r\n"
    "[ActiveX]\r\n"
    "ActiveXServerPort=58658\r\n"
    ";ActiveXLanguage=FRA\r\n"
    "Note = a = b\r\n"
    "Quoted=\"x y\"\r\n"
    "\r\n"
    "[Calendar]\r\n"
    "DayType0=Easter\r\n";

TEST(IniLookupTest, MatchesNamesWithoutRegardToCaseAndTrimsValues) {
  EXPECT_EQ(IniLookup(kSample, "General", "Language", ""), "ENG");
  EXPECT_EQ(IniLookup(kSample, "GENERAL", "language", ""), "ENG");
  EXPECT_EQ(IniLookup(kSample, "ActiveX", "Note", ""), "a = b");
}

// Values and defaults as the Windows profile lookup returns them.
TEST(IniLookupTest, QuotesAroundAValueAndTrailingBlanksOfADefaultGo) {
  const std::string text =
      "[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3=\"\r\n"
      "name4= \"a b\" \r\nname5=\"x\"y\r\nname6=\"\"\r\n";
  struct Case {
    const char* section;
    const char* key;
    const char* default_value;
    const char* expected;
  } cases[] = {
      {"section1", "name1", "", "val1"},
      {"section1", "name2", "", "val2"},
      {"section1", "name3", "", "\""},
      {"section1", "name4", "", "a b"},
      {"section1", "name5", "", "\"x\"y"},
      {"section1", "name6", "x", ""},
      {"section1", "none", "default  ", "default"},
      {"none", "name1", "one two  ", "one two"},
      {"none", "name1", "  lead", "  lead"},
      {"none", "name1", "\"quoted\"", "\"quoted\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IniLookup(text, c.section, c.key, c.default_value), c.expected) << c.key;
  }
}

TEST(IniLookupTest, DefaultsWhenSomethingIsMissing) {
  EXPECT_EQ(IniLookup(kSample, "ActiveX", "ActiveXLanguage", "dflt"), "dflt");  // commented out
  EXPECT_EQ(IniLookup(kSample, "ActiveX", "Language", "dflt"), "dflt");         // other section
  EXPECT_EQ(IniLookup("", "General", "Language", "dflt"), "dflt");
  EXPECT_EQ(IniLookup("Language=ENG\n", "General", "Language", "d"), "d");  // no section
}

TEST(IniLookupTest, FirstSectionOfANameAndLongValues) {
  std::string text = "[A]\nk=1\nk=2\n[a]\nk=3\nj=4\n";
  EXPECT_EQ(IniLookup(text, "a", "k", ""), "1");
  EXPECT_EQ(IniLookup(text, "a", "j", "none"), "none");
  EXPECT_EQ(IniLookup("[ s ]\r k = v \r", "S", "K", ""), "v");
  std::string long_value(3000, 'v');
  EXPECT_EQ(IniLookup("[s]\nk=" + long_value + "\n", "s", "k", ""), long_value.substr(0, 2047));
  EXPECT_EQ(IniLookup("", "s", "k", long_value).size(), 2047u);
}

TEST(IniSetValueTest, ChangesOnlyTheValueOfAnExistingKey) {
  auto out = IniSetValue(kSample, "GENERAL", "LANGUAGE", "FRA");
  ASSERT_TRUE(out);
  std::string expected = kSample;
  expected.replace(expected.find("ENG \r\n"), 4, "FRA");
  EXPECT_EQ(*out, expected);
  EXPECT_EQ(IniLookup(*out, "General", "Language", ""), "FRA");
  EXPECT_EQ(*IniSetValue("[s]\nk=\n", "s", "k", "v"), "[s]\nk=v\n");
  EXPECT_EQ(*IniSetValue("[s]\nk=old", "s", "k", "v"), "[s]\nk=v");
  // Blanks in front of the value are not written, so a second write of it
  // changes nothing.
  EXPECT_EQ(*IniSetValue("[s]\nk= v\n", "s", "k", " \tv"), "[s]\nk= v\n");
}

TEST(IniSetValueTest, AddsKeysAndSectionsKeepingTheLineEnds) {
  // A new key goes after the last filled line of its section.
  auto out = IniSetValue(kSample, "general", "ActiveXLanguage", "ENG");
  ASSERT_TRUE(out);
  EXPECT_NE(out->find("Language = ENG \r\nActiveXLanguage=ENG\r\n\r\n[ActiveX]"),
            std::string::npos);
  // The last section, with no line end on its last line.
  EXPECT_EQ(*IniSetValue("[s]\rk=1", "S", "j", "2"), "[s]\rk=1\rj=2\r");
}

// Files built by writes alone, as the Windows profile writer lays them out:
// CR LF for a new file and for a file without line ends, the file's own line
// end otherwise; a new section directly after the last line.
TEST(IniSetValueTest, LaysOutWrittenFilesLikeTheWindowsWriter) {
  struct Write {
    const char* section;
    const char* key;
    const char* value;
  };
  struct Case {
    std::string before;
    std::vector<Write> writes;
    std::string after;
  } cases[] = {
      {"", {{"App", "key", ""}}, "[App]\r\nkey=\r\n"},
      {"",
       {{"App1", "key1", "string1"},
        {"App1", "key2", "string2"},
        {"App1", "key3", "string3"},
        {"App2", "key4", "string4"},
        {"App3", "key5", "string5"}},
       "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n"
       "[App3]\r\nkey5=string5\r\n"},
      {std::string("Data \0 before \0 first \0 section", 32),
       {{"section1", "key1", "string1"}},
       std::string("Data \0 before \0 first \0 section", 32) +
           "\r\n[section1]\r\nkey1=string1\r\n"},
      {"[a]\r\nk=1\r\n",
       {{"Calendar", "DayType3", "Fair"}},
       "[a]\r\nk=1\r\n[Calendar]\r\nDayType3=Fair\r\n"},
      {"[a]\nk=1\n\n", {{"b", "k", "2"}, {"a", "j", "3"}}, "[a]\nk=1\nj=3\n\n[b]\nk=2\n"},
  };
  for (const Case& c : cases) {
    std::string text = c.before;
    for (const Write& w : c.writes) text = IniSetValue(text, w.section, w.key, w.value).value();
    EXPECT_EQ(text, c.after);
  }
}

TEST(IniSetValueTest, RefusesNamesThatCannotBeALineAndCutsValuesAtLineEnds) {
  EXPECT_FALSE(IniSetValue("", "", "k", "v"));
  EXPECT_FALSE(IniSetValue("", "s]x", "k", "v"));
  EXPECT_FALSE(IniSetValue("", "\ts ", "k", "v"));  // would read back as "s"
  EXPECT_FALSE(IniSetValue("", "s", "k=1", "v"));
  EXPECT_FALSE(IniSetValue("", "s", ";k", "v"));
  EXPECT_FALSE(IniSetValue("", "s", std::string("k\0", 2), "v"));
  // A client's day type name cannot smuggle in a section of its own.
  auto out =
      IniSetValue("[Calendar]\n", "Calendar", "DayType0", "x\n[ActiveX]\nActiveXServerPort=1");
  ASSERT_TRUE(out);
  EXPECT_EQ(*out, "[Calendar]\nDayType0=x\n");
}

const std::string kTemplate = "[Other]\nz=9\n[Templ]\na=1\n;x\n\nb=2\n[Next]\nc=3\n";

TEST(IniSectionLinesTest, CopiesFilledLinesOfTheSection) {
  EXPECT_EQ(IniSectionLines(kTemplate, "Templ", 4096), std::string("a=1\0b=2\0", 8));
  EXPECT_EQ(IniSectionLines(kTemplate, "TEMPL", 4096), std::string("a=1\0b=2\0", 8));
  EXPECT_EQ(IniSectionLines(kTemplate, "Templ", 6), std::string("a=1\0", 4));
  EXPECT_EQ(IniSectionLines(kTemplate, "Templ", 8), std::string("a=1\0", 4));  // 8 < 8 fails
  EXPECT_EQ(IniSectionLines(kTemplate, "Missing", 4096), "");
  EXPECT_EQ(IniSectionLines(kTemplate, "Templ", -5), "");
}

TEST(IniSectionLinesTest, OnceFullNoShorterLineFollows) {
  std::string text = "[s]\r\nlong=12345\r\nk=1\r\n  indented\r\n";
  EXPECT_EQ(IniSectionLines(text, "s", 10), "");
  EXPECT_EQ(IniSectionLines(text, "s", 4096), std::string("long=12345\0k=1\0  indented\0", 26));
  // A header needs "[" in the first column and a "]".
  EXPECT_EQ(IniSectionLines("[s]\n [t]\n[u\n[v]\n", "s", 100), std::string(" [t]\0[u\0", 8));
}

TEST(IniSectionNamesTest, ListsNamesEachFollowedByByteZero) {
  EXPECT_EQ(IniSectionNames(kSample, 4096), std::string("general\0ActiveX\0Calendar\0", 25));
  EXPECT_EQ(IniSectionNames("[a]\n[A]\n", 4096), std::string("a\0A\0", 4));
  // A list that fills the buffer exactly, or does not fit it, is cut to the
  // buffer's length less 2.
  const std::string three = "[ section1 ]\r\n[section2]\r\n[section3]\r\n";
  EXPECT_EQ(IniSectionNames(three, 29), std::string("section1\0section2\0section3\0", 27));
  EXPECT_EQ(IniSectionNames(three, 28), std::string("section1\0section2\0section3", 26));
  EXPECT_EQ(IniSectionNames("[abc]\n[de]\n", 7), std::string("abc\0d", 5));
  EXPECT_EQ(IniSectionNames("[abc]\n", 3), "a");
  EXPECT_EQ(IniSectionNames("[abc]\n", 2), "");
}

TEST(IniFileTest, ReadsAndWritesRealFiles) {
  TestTempDir dir;
  EXPECT_EQ(ReadIniValue(dir.path(), "General", "Language", "none", "Orlund_Server.ini"), "none");
  ASSERT_TRUE(WriteIniValue(dir.path(), "ActiveX", "ActiveXLanguage", "ENG", "Orlund_Server.ini"));
  EXPECT_EQ(ReadFileBytes(dir.path() + "Orlund_Server.ini"),
            "[ActiveX]\r\nActiveXLanguage=ENG\r\n");
  ASSERT_TRUE(WriteFileAtomically(dir.path() + "Orlund_Server.ini", kSample));
  EXPECT_EQ(ReadIniValue(dir.path(), "general", "language", "", "Orlund_Server.ini"), "ENG");
  ASSERT_TRUE(WriteIniValue(dir.path(), "Calendar", "DayType0", "Fair", "Orlund_Server.ini"));
  std::string expected = kSample;
  expected.replace(expected.find("Easter"), 6, "Fair");
  EXPECT_EQ(ReadFileBytes(dir.path() + "Orlund_Server.ini"), expected);
  std::string path = dir.path() + "Orlund_Server.ini";
  EXPECT_EQ(ReadIniSection("Calendar", 4096, path), std::string("DayType0=Fair\0", 14));
  EXPECT_EQ(ReadIniSectionNames(path), std::string("general\0ActiveX\0Calendar\0", 25));
  // Writing into a directory that does not exist fails and creates nothing.
  EXPECT_FALSE(WriteIniValue(dir.path() + "no/", "s", "k", "v", "x.ini"));
}

}  // namespace
}  // namespace orlund
