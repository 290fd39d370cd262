#include "store/users.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/file_utils.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

LanguageTexts Texts() {
  LanguageTexts texts;
  texts.LoadFromText("803=Bad file\n845=(users)\n");
  return texts;
}

std::string Entry(std::string_view plain_body) {
  ByteWriter w;
  std::string body = ScrambleUserBody(plain_body);
  w.Int32(static_cast<int64_t>(body.size()));
  w.Raw(body);
  return w.Take();
}

std::string Header(int format, int count) {
  ByteWriter w;
  w.Int16(format);
  w.Int16(count);
  return w.Take();
}

TEST(UsersTest, ScramblingIsItsOwnInverse) {
  std::string body;
  for (int i = 0; i < 300; ++i) body += static_cast<char>(i * 31);
  std::string scrambled = ScrambleUserBody(body);
  EXPECT_EQ(ScrambleUserBody(scrambled), body);
  for (size_t k = 0; k < body.size(); ++k) {
    ASSERT_EQ(static_cast<uint8_t>(scrambled[k]),
              static_cast<uint8_t>(body[k]) ^ static_cast<uint8_t>(k & 0x3C));
  }
  EXPECT_EQ(scrambled.substr(0, 4), body.substr(0, 4));  // mask bits 2..5: bytes 0-3 plain
  EXPECT_NE(scrambled[4], body[4]);
}

TEST(UsersTest, ReadsNamePasswordAndLevel) {
  RecordingLog log;
  UserTable table;
  ParseUsers(Header(1, 1) + Entry(std::string("\x03"
                                              "Ann"
                                              "\x00"
                                              "\x00\x05",
                                              7)),
             table, log, Texts());
  ASSERT_EQ(table.UserCount, 1);
  EXPECT_EQ(table.Users[0].name, "Ann");
  EXPECT_EQ(table.Users[0].password, "");
  EXPECT_EQ(table.Users[0].level, 5);
  EXPECT_TRUE(log.lines.empty());

  std::vector<UserRecord> users = {{"admin", "Secret", 32767}, {"op", "pw", 300}};
  ParseUsers(EncodeUsersFile(users), table, log, Texts());
  ASSERT_EQ(table.UserCount, 2);
  EXPECT_EQ(table.Users[0].password, "Secret");
  EXPECT_EQ(table.Users[0].level, 32767);
  EXPECT_EQ(table.Users[1].level, 300);
}

TEST(UsersTest, FormatOtherThanOneIsLoggedOnce) {
  RecordingLog log;
  UserTable table;
  ParseUsers(Header(1, 0), table, log, Texts());
  EXPECT_EQ(table.UserCount, 0);
  EXPECT_TRUE(log.lines.empty());
  ParseUsers(Header(2, 1) + Entry(std::string("\x01"
                                              "a\x00\x00\x01",
                                              5)),
             table, log, Texts());
  EXPECT_EQ(table.UserCount, 0);
  EXPECT_EQ(log.lines, std::vector<std::string>{"Bad file 2 (users)"});
}

TEST(UsersTest, DamagedFilesKeepTheUsersReadBeforeTheDamage) {
  std::string good =
      Entry(std::string("\x02"
                        "ab"
                        "\x01"
                        "p"
                        "\x00\x07",
                        7));
  struct Case {
    std::string bytes;
    int16_t users;
    std::string line;
  };
  ByteWriter negative;
  negative.Int32(-4);
  ByteWriter too_long;
  too_long.Int32(900);
  too_long.Raw("xyz");
  std::vector<Case> cases = {
      {Header(1, -3), 0, "Bad file user count -3, 0 users loaded (users)"},
      {Header(1, 2) + good + negative.Take(), 1,
       "Bad file user 2 of 2: negative length -4, 1 users loaded (users)"},
      {Header(1, 2) + good + too_long.Take(), 1,
       "Bad file user 2 of 2: length 900 past the end of the file, 1 users loaded (users)"},
      {Header(1, 2) + good +
           Entry(std::string("\x09"
                             "ab",
                             3)),
       1,
       "Bad file user 2 of 2: entry shorter than its name and password lengths, 1 users loaded "
       "(users)"},
      {Header(1, 1) + Entry(std::string("\x00\x00\x80\x00", 4)), 0,
       "Bad file user 1 of 1: level out of range, 0 users loaded (users)"},
  };
  for (const Case& c : cases) {
    RecordingLog log;
    UserTable table;
    ParseUsers(c.bytes, table, log, Texts());
    EXPECT_EQ(table.UserCount, c.users) << c.line;
    EXPECT_EQ(log.lines, std::vector<std::string>{c.line});
    for (int i = 0; i < c.users; ++i) EXPECT_EQ(table.Users[i].name, "ab");
  }
}

TEST(UsersTest, CountAboveCapacityFillsTheTableAndNoMore) {
  std::vector<UserRecord> users(150, UserRecord{"u", "p", 1});
  RecordingLog log;
  UserTable table;
  ParseUsers(EncodeUsersFile(users), table, log, Texts());
  EXPECT_EQ(table.UserCount, kUserCapacity);
  EXPECT_EQ(log.lines, std::vector<std::string>{
                           "Bad file user count 150 above 102, 102 users loaded (users)"});
}

TEST(UsersTest, EncoderRefusesWhatTheFileCannotHold) {
  EXPECT_THROW(EncodeUserBody({std::string(256, 'n'), "", 0}), OverflowError);
  EXPECT_THROW(EncodeUserBody({"n", std::string(256, 'p'), 0}), OverflowError);
  EXPECT_THROW(EncodeUserBody({"n", "p", -1}), OverflowError);
}

}  // namespace
}  // namespace orlund
