// Every reader of the data store on the inputs a damaged installation can
// hold: a missing file, an empty file, a file cut short, binary garbage and a
// line of 1 MB. Each gives its documented result and writes nothing outside
// its table.

#include <gtest/gtest.h>

#include <vector>

#include "base/bytes.h"
#include "base/file_utils.h"
#include "store/ini_file.h"
#include "store/language_texts.h"
#include "store/settings_store.h"
#include "store/users.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

std::string Garbage(size_t size, uint32_t seed) {
  std::string out;
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245 + 12345;
    out += static_cast<char>(seed >> 24);
  }
  return out;
}

const std::string kMegabyte(1 << 20, 'x');

class BadInputTest : public ::testing::Test {
 protected:
  void Put(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(WriteFileAtomically(dir_.path() + name, bytes));
  }
  const std::string& dir() const { return dir_.path(); }

 private:
  TestTempDir dir_;
};

TEST_F(BadInputTest, IniReaders) {
  const std::string ini = "Orlund_Server.ini";
  const std::string path = dir() + ini;
  auto value = [&] { return ReadIniValue(dir(), "ActiveX", "ActiveXServerPort", "dflt", ini); };
  auto lines = [&] { return ReadIniSection("ActiveX", 4096, path); };
  auto names = [&] { return ReadIniSectionNames(path); };

  // Missing and empty: defaults and nothing.
  EXPECT_EQ(value(), "dflt");
  EXPECT_EQ(lines(), "");
  EXPECT_EQ(names(), "");
  Put(ini, "");
  EXPECT_EQ(value(), "dflt");
  EXPECT_EQ(lines(), "");
  EXPECT_EQ(names(), "");

  // Cut short in a value, then in the header.
  Put(ini, "[ActiveX]\r\nActiveXServerPort=586");
  EXPECT_EQ(value(), "586");
  EXPECT_EQ(lines(), std::string("ActiveXServerPort=586\0", 22));
  Put(ini, "[Activ");
  EXPECT_EQ(value(), "dflt");
  EXPECT_EQ(lines(), "");
  EXPECT_EQ(names(), "");

  // Garbage: no value found, results within their buffers, and a write keeps
  // every garbage byte in front of the new section.
  std::string garbage = Garbage(200000, 7);
  Put(ini, garbage);
  EXPECT_EQ(value(), "dflt");
  EXPECT_LT(lines().size(), 4096u);
  EXPECT_LE(names().size(), 4094u);
  ASSERT_TRUE(WriteIniValue(dir(), "ActiveX", "ActiveXServerPort", "1", ini));
  EXPECT_EQ(ReadFileBytes(path)->substr(0, garbage.size()), garbage);
  EXPECT_EQ(value(), "1");

  // A line of 1 MB: the value is cut to 2047 bytes; the section line does
  // not fit its buffer; a 1 MB section name is cut to the names buffer.
  Put(ini, "[ActiveX]\nActiveXServerPort=" + kMegabyte + "\nk=v\n");
  EXPECT_EQ(value(), kMegabyte.substr(0, 2047));
  EXPECT_EQ(lines(), "");  // full after the long line: k=v is not copied either
  Put(ini, "[" + kMegabyte + "]\n");
  EXPECT_EQ(names(), kMegabyte.substr(0, 4094));
}

TEST_F(BadInputTest, LanguageFile) {
  Put("Orlund_Server.ini", "[General]\nLanguage=ENG\n");
  LanguageTexts texts;
  auto load = [&](const std::string& content) {
    Put("Orlund_Texts.ENG", content);
    return texts.LoadLanguageTexts(dir(), dir());
  };

  EXPECT_FALSE(texts.LoadLanguageTexts(dir(), dir()));  // missing
  EXPECT_EQ(texts.Count(), 0u);
  EXPECT_TRUE(load(""));
  EXPECT_EQ(texts.Count(), 0u);
  EXPECT_TRUE(load("803=Cannot read\n805=Cannot re"));  // cut short in a text
  EXPECT_EQ(texts.GetText(805), "Cannot re");
  EXPECT_TRUE(load("803=Cannot read\n80"));  // cut short in a number: no "="
  EXPECT_EQ(texts.Count(), 1u);
  EXPECT_TRUE(load(Garbage(200000, 11)));
  EXPECT_LE(texts.Count(), 200000u);
  EXPECT_TRUE(load("803=" + kMegabyte + "\n" + kMegabyte + "\n804=after\n"));
  EXPECT_EQ(texts.GetText(803), kMegabyte);
  EXPECT_EQ(texts.GetText(804), "after");
  EXPECT_EQ(texts.Count(), 2u);
}

TEST_F(BadInputTest, UserFile) {
  LanguageTexts texts;
  texts.LoadFromText("803=E\n845=U\n");
  RecordingLog log;
  UserTable table;
  auto load = [&](const std::string& bytes) {
    log.lines.clear();
    Put("Orlund_Users.dat", bytes);
    LoadUsers(dir(), table, log, texts);
  };

  LoadUsers(dir(), table, log, texts);  // missing: no users, no line
  EXPECT_EQ(table.UserCount, 0);
  EXPECT_TRUE(log.lines.empty());
  load("");  // empty: format 0
  EXPECT_EQ(table.UserCount, 0);
  EXPECT_EQ(log.lines, std::vector<std::string>{"E 0 U"});

  // Every prefix of a good file: the complete users only, at most one line.
  std::vector<UserRecord> users = {{"Ann", "a", 1}, {"Bob", "bb", 2}, {"Cy", "", 3}};
  std::string file = EncodeUsersFile(users);
  int16_t previous = 0;
  for (size_t cut = 0; cut <= file.size(); ++cut) {
    load(file.substr(0, cut));
    ASSERT_GE(table.UserCount, previous);
    ASSERT_LE(table.UserCount, 3);
    for (int i = 0; i < table.UserCount; ++i) ASSERT_EQ(table.Users[i].name, users[i].name);
    ASSERT_EQ(log.lines.size(), cut == file.size() ? 0u : 1u) << cut;
    previous = table.UserCount;
  }
  EXPECT_EQ(table.UserCount, 3);

  // Garbage with a valid header, and without one.
  for (uint32_t seed = 1; seed <= 50; ++seed) {
    load(std::string("\x01\x00", 2) + Garbage(1000, seed));
    ASSERT_GE(table.UserCount, 0);
    ASSERT_LE(table.UserCount, kUserCapacity);
    ASSERT_LE(log.lines.size(), 1u);
    load(Garbage(1000, seed));
    ASSERT_LE(log.lines.size(), 1u);
  }

  // A 1 MB entry: the body's extra bytes are not part of the user.
  std::string body = ScrambleUserBody(std::string("\x03"
                                                  "Dan"
                                                  "\x00\x00\x09",
                                                  7) +
                                      kMegabyte);
  ByteWriter w;
  w.Int16(1);
  w.Int16(1);
  w.Int32(static_cast<int64_t>(body.size()));
  w.Raw(body);
  load(w.Take());
  ASSERT_EQ(table.UserCount, 1);
  EXPECT_EQ(table.Users[0].name, "Dan");
  EXPECT_EQ(table.Users[0].level, 9);
  EXPECT_TRUE(log.lines.empty());
  load(kMegabyte);  // format 0x7878
  EXPECT_EQ(log.lines, std::vector<std::string>{"E 30840 U"});
}

TEST_F(BadInputTest, SettingsValues) {
  const std::string key = "Orlund Alarm Server\\Parameters";
  const std::string file = dir() + "Orlund Alarm Server/Parameters/Value";
  auto registry = [&] { return ReadRegistryValue("Value", "dflt", key, dir()); };
  auto exact = [&] { return ReadSetting(dir(), key, "Value", "dflt"); };

  EXPECT_EQ(registry(), "dflt");  // missing
  EXPECT_EQ(exact(), "dflt");
  ASSERT_TRUE(WriteSetting(dir(), key, "Value", ""));
  EXPECT_EQ(registry(), "");
  EXPECT_EQ(exact(), "");
  ASSERT_TRUE(WriteSetting(dir(), key, "Value", "dword:0000"));  // cut short
  EXPECT_EQ(registry(), "");
  EXPECT_EQ(exact(), "dword:0000");
  std::string garbage = Garbage(1000, 3);
  ASSERT_TRUE(WriteSetting(dir(), key, "Value", garbage));
  EXPECT_EQ(exact(), garbage);
  EXPECT_EQ(registry(), *DecodeRegistryValue(garbage));
  ASSERT_TRUE(WriteSetting(dir(), key, "Value", kMegabyte + "\n"));
  EXPECT_EQ(registry(), "dflt");
  EXPECT_EQ(exact(), kMegabyte + "\n");
}

}  // namespace
}  // namespace orlund
