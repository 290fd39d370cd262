#include "store/ini_file.h"

#include <gtest/gtest.h>

#include <vector>

#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

using namespace std::string_literals;

const std::string kSample =
    "; settings\r\n[general]\r\nLanguage = ENG \r\n\r\n[ActiveX]\r\nActiveXServerPort=58658\r\n"
    ";ActiveXLanguage=FRA\r\nNote = a = b\r\nQuoted=\"x "
    "y\"\r\n\r\n[Calendar]\r\nDayType0=Easter\r\n";

// Values and defaults as the Windows profile lookup returns them.
TEST(IniFileTest, Lookups) {
  const std::string text =
      "k=above\r\n[s1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3=\"\r\nname4= \"a b\" \r\n"
      "name5=\"x\"y\r\nname6=\"\"\r\n;c=1\r\nk=1\r\nk=2\r\n[S1]\r\nj=4\r\n[ t ]\r k = v \r";
  const std::string long_value(3000, 'v');
  struct Case {
    std::string content, section, key, default_value, expected;
  } cases[] = {
      {text, "S1", "NAME1", "", "val1"},
      {text, "s1", "name2", "", "val2"},
      {text, "s1", "name3", "", "\""},
      {text, "s1", "name4", "", "a b"},
      {text, "s1", "name5", "", "\"x\"y"},
      {text, "s1", "name6", "x", ""},
      {text, "s1", "k", "", "1"},         // the first key line of the first section
      {text, "s1", "j", "none", "none"},  // a later section of the same name
      {text, "s1", "c", "dflt", "dflt"},  // commented out
      {text, "t", "k", "", "v"},          // lone CR line ends
      {text, "s1", "none", "default  ", "default"},
      {text, "none", "k", "  lead", "  lead"},  // keys above the first section belong to none
      {text, "none", "k", "\"quoted\"", "\"quoted\""},
      {"", "s", "k", "dflt", "dflt"},
      {"[s]\nk=" + long_value + "\n", "s", "k", "", long_value.substr(0, 2047)},
      {"", "s", "k", long_value, long_value.substr(0, 2047)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IniLookup(c.content, c.section, c.key, c.default_value), c.expected) << c.key;
  }
}

// Files built by writes, laid out as the Windows profile writer lays them
// out: an existing key keeps its line up to the value; a new key goes after
// the last filled line of its section; a new section directly after the last
// line; CR LF for a new file and for one without line ends, the file's own
// line end otherwise.
TEST(IniFileTest, WritesChangeOnlyWhatTheyMust) {
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
       {{"App1", "key1", "string1"}, {"App1", "key2", "string2"}, {"App2", "key3", "string3"}},
       "[App1]\r\nkey1=string1\r\nkey2=string2\r\n[App2]\r\nkey3=string3\r\n"},
      {"Data \0 before \0 section"s,
       {{"section1", "key1", "string1"}},
       "Data \0 before \0 section\r\n[section1]\r\nkey1=string1\r\n"s},
      {"[a]\nk=1\n\n", {{"b", "k", "2"}, {"A", "j", "3"}}, "[a]\nk=1\nj=3\n\n[b]\nk=2\n"},
      {"[s]\rk=1", {{"S", "j", "2"}}, "[s]\rk=1\rj=2\r"},
      {"[s]\nk = old\nj=\n", {{"S", "K", "new"}, {"s", "j", "v"}}, "[s]\nk = new\nj=v\n"},
      {"[s]\nk=old", {{"s", "k", "v"}}, "[s]\nk=v"},
      // Blanks in front of a value are not written: they would read back as
      // the blanks after the "=", and a second write would add them again.
      {"[s]\nk= v\n", {{"s", "k", " \tv"}}, "[s]\nk= v\n"},
      // A client's day type name cannot smuggle in a section of its own.
      {"[Calendar]\n",
       {{"Calendar", "DayType0", "x\n[ActiveX]\nActiveXServerPort=1"}},
       "[Calendar]\nDayType0=x\n"},
  };
  for (const Case& c : cases) {
    std::string text = c.before;
    for (const Write& w : c.writes) text = IniSetValue(text, w.section, w.key, w.value).value();
    EXPECT_EQ(text, c.after);
  }
  for (const auto& [section, key] :
       std::vector<std::pair<std::string, std::string>>{{"", "k"},
                                                        {"s]x", "k"},
                                                        {"\ts ", "k"},  // reads back as "s"
                                                        {"s", "k=1"},
                                                        {"s", ";k"},
                                                        {"s", "[k"},
                                                        {"s", " k"},
                                                        {"s", "k\0"s},
                                                        {"s\n", "k"}}) {
    EXPECT_FALSE(IniSetValue("", section, key, "v")) << section << "/" << key;
  }
}

TEST(IniFileTest, SectionLinesAndNamesFitTheirBuffers) {
  const std::string text =
      "[Other]\nz=9\n[Templ]\na=1\n;x\n\nlong=12345\nb=2\n [t]\n[u\n[Next]\nc=3\n";
  EXPECT_EQ(IniSectionLines(text, "TEMPL", 4096), "a=1\0long=12345\0b=2\0 [t]\0[u\0"s);
  EXPECT_EQ(IniSectionLines(text, "Templ", 15), "a=1\0"s);  // once full, no shorter line follows
  EXPECT_EQ(IniSectionLines(text, "Templ", 4), ""s);        // 3 + 1 < 4 fails
  EXPECT_EQ(IniSectionLines(text, "Templ", 5), "a=1\0"s);
  EXPECT_EQ(IniSectionLines(text, "Missing", 4096), "");
  EXPECT_EQ(IniSectionLines(text, "Templ", -5), "");

  EXPECT_EQ(IniSectionNames(kSample + "[general]\n", 4096),
            "general\0ActiveX\0Calendar\0general\0"s);
  // A list that fills the buffer exactly, or does not fit it, is cut to the
  // buffer's length less 2.
  const std::string three = "[ section1 ]\r\n[section2]\r\n[section3]\r\n";
  EXPECT_EQ(IniSectionNames(three, 29), "section1\0section2\0section3\0"s);
  EXPECT_EQ(IniSectionNames(three, 28), "section1\0section2\0section3"s);
  EXPECT_EQ(IniSectionNames("[abc]\n[de]\n", 7), "abc\0d"s);
  EXPECT_EQ(IniSectionNames("[abc]\n", 3), "a");
  EXPECT_EQ(IniSectionNames("[abc]\n", 2), "");
}

TEST(IniFileTest, ReadsAndWritesRealFiles) {
  TestTempDir dir;
  const std::string path = dir.path() + "Orlund_Server.ini";
  EXPECT_EQ(ReadIniValue(dir.path(), "General", "Language", "none", "Orlund_Server.ini"), "none");
  EXPECT_EQ(ReadIniSection("General", 4096, path), "");
  EXPECT_EQ(ReadIniSectionNames(path), "");
  ASSERT_TRUE(WriteIniValue(dir.path(), "ActiveX", "ActiveXLanguage", "ENG", "Orlund_Server.ini"));
  EXPECT_EQ(dir.Get("Orlund_Server.ini"), "[ActiveX]\r\nActiveXLanguage=ENG\r\n");
  dir.Put("Orlund_Server.ini", kSample);
  EXPECT_EQ(ReadIniValue(dir.path(), "general", "language", "", "Orlund_Server.ini"), "ENG");
  ASSERT_TRUE(WriteIniValue(dir.path(), "Calendar", "DayType0", "Fair", "Orlund_Server.ini"));
  std::string expected = kSample;
  expected.replace(expected.find("Easter"), 6, "Fair");
  EXPECT_EQ(dir.Get("Orlund_Server.ini"), expected);
  EXPECT_EQ(ReadIniSection("Calendar", 4096, path), "DayType0=Fair\0"s);
  EXPECT_EQ(ReadIniSectionNames(path), "general\0ActiveX\0Calendar\0"s);
  EXPECT_FALSE(WriteIniValue(dir.path(), "", "k", "v", "Orlund_Server.ini"));
  EXPECT_EQ(dir.Get("Orlund_Server.ini"), expected);
  // Writing into a directory that does not exist fails and creates nothing.
  EXPECT_FALSE(WriteIniValue(dir.path() + "no/", "s", "k", "v", "x.ini"));
  EXPECT_FALSE(dir.Has("no"));
}

}  // namespace
}  // namespace orlund
