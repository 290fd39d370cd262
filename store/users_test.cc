#include "store/users.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/bytes.h"

namespace orlund {
namespace {

using namespace std::string_literals;

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

class UsersTest : public ::testing::Test {
 protected:
  UsersTest() { texts.LoadFromText("803=Bad file\n845=(users)\n"); }
  void Parse(std::string_view bytes) {
    log.lines.clear();
    ParseUsers(bytes, table, log, texts);
  }
  std::string Names() const {
    std::string names;
    for (int i = 0; i < table.UserCount; ++i) names += table.Users[i].name + ";";
    return names;
  }

  LanguageTexts texts;
  RecordingLog log;
  UserTable table;
};

TEST_F(UsersTest, ScramblingXorsEachBytesPositionAndLeavesBytesZeroToThreePlain) {
  std::string body;
  for (int i = 0; i < 300; ++i) body += static_cast<char>(i * 31);
  const std::string scrambled = ScrambleUserBody(body);
  for (size_t k = 0; k < body.size(); ++k) {
    ASSERT_EQ(static_cast<uint8_t>(scrambled[k]),
              static_cast<uint8_t>(body[k]) ^ static_cast<uint8_t>(k & 0x3C));
  }
}

TEST_F(UsersTest, ReadsNamePasswordAndLevelAndEveryCutKeepsTheWholeUsers) {
  Parse(Header(1, 1) + Entry("\3Ann\0\0\5"s));
  ASSERT_EQ(table.UserCount, 1);
  EXPECT_EQ(table.Users[0].password, "");
  EXPECT_EQ(table.Users[0].level, 5);

  const std::vector<UserRecord> users = {
      {"Ann", "Secret", 32767}, {"Bob", "bb", 300}, {"Cy", "", 3}};
  const std::string file = EncodeUsersFile(users);
  Parse(file);
  EXPECT_EQ(Names(), "Ann;Bob;Cy;");
  EXPECT_EQ(table.Users[0].password, "Secret");
  EXPECT_EQ(table.Users[0].level, 32767);
  EXPECT_TRUE(log.lines.empty());
  int16_t previous = 0;
  for (size_t cut = 0; cut < file.size(); ++cut) {
    Parse(file.substr(0, cut));
    ASSERT_GE(table.UserCount, previous);
    EXPECT_EQ(Names(), std::string("Ann;Bob;Cy;").substr(0, 4 * table.UserCount)) << cut;
    EXPECT_EQ(log.lines.size(), 1u) << cut;
    previous = table.UserCount;
  }
}

TEST_F(UsersTest, DamagedFilesKeepTheUsersReadBeforeTheDamage) {
  const std::string good = Entry("\2ab\1p\0\7"s);
  ByteWriter negative, too_long;
  negative.Int32(-4);
  too_long.Int32(900);
  too_long.Raw("xyz");
  struct Case {
    std::string bytes;
    std::string names;
    std::string line;
  } cases[] = {
      {Header(1, 0), "", ""},
      {Header(2, 1) + good, "", "Bad file 2 (users)"},
      {Header(0x7878, 0), "", "Bad file 30840 (users)"},
      {Header(1, -3), "", "Bad file user count -3, 0 users loaded (users)"},
      {Header(1, 2) + good + negative.Take(), "ab;",
       "Bad file user 2 of 2: negative length -4, 1 users loaded (users)"},
      {Header(1, 2) + good + too_long.Take(), "ab;",
       "Bad file user 2 of 2: length 900 past the end of the file, 1 users loaded (users)"},
      {Header(1, 2) + good + Entry("\11ab"), "ab;",
       "Bad file user 2 of 2: entry shorter than its name and password lengths, 1 users loaded "
       "(users)"},
      {Header(1, 1) + Entry("\x00\x00\x80\x00"s), "",
       "Bad file user 1 of 1: level out of range, 0 users loaded (users)"},
      // A longer body: its extra bytes are not part of the user.
      {Header(1, 1) + Entry("\2ab\0\0\11"s + std::string(1 << 20, 'x')), "ab;", ""},
  };
  for (const Case& c : cases) {
    Parse(c.bytes);
    EXPECT_EQ(Names(), c.names) << c.line;
    EXPECT_EQ(log.lines, c.line.empty() ? std::vector<std::string>{} : std::vector{c.line});
  }

  Parse(EncodeUsersFile(std::vector<UserRecord>(150, UserRecord{"u", "p", 1})));
  EXPECT_EQ(table.UserCount, kUserCapacity);
  EXPECT_EQ(log.lines, std::vector<std::string>{
                           "Bad file user count 150 above 102, 102 users loaded (users)"});
}

}  // namespace
}  // namespace orlund
