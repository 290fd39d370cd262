#include <gtest/gtest.h>

#include "protocol/codec.h"
#include "protocol/handler_testing.h"
#include "store/file_utils.h"
#include "store/test_temp_dir.h"
#include "store/users.h"

namespace orlund {
namespace {

class LoginTest : public ::testing::Test {
 protected:
  void SetUp() override { server.state.ProjectDirectory = dir.path(); }

  void WriteUsers(std::vector<UserRecord> users) {
    ASSERT_TRUE(WriteFileAtomically(dir.path() + kUsersFileName, EncodeUsersFile(users)));
  }

  // The level answered to a login with `password`.
  int32_t Login(const std::string& password) {
    Request(server, client, 6, EncodeString(password));
    std::string packet = TakeOnly(client);
    EXPECT_EQ(packet.size(), 9u);
    if (packet.size() != 9u || packet[0] != 7) return -99;
    size_t pos = 5;
    return DecodeInt32(packet, pos);
  }

  TestTempDir dir;
  TestServer server;
  FakeClient client = server.Join();
};

TEST_F(LoginTest, WithoutLoginRequiredEveryPasswordGetsTheFullLevel) {
  WriteUsers({{"alice", "secret", 5}});
  Request(server, client, 6, EncodeString(""));
  EXPECT_EQ(TakeOnly(client), std::string("\x07\x00\x00\x00\x04\x00\x00\x7F\xFF", 9));
  EXPECT_EQ(Login("wrong"), 32767);
  EXPECT_EQ(client.connection->GetUserName(), "");
}

TEST_F(LoginTest, RequiredLoginMatchesPasswordsIgnoringCaseFirstUserWinning) {
  server.state.settings.RequireActiveXLogin = true;
  WriteUsers({{"nobody", "", 1}, {"alice", "S\xE9kret", 5}, {"bob", "S\xC9KRET", 9}});
  EXPECT_EQ(Login("s\xC9krEt"), 5);
  EXPECT_EQ(client.connection->GetUserName(), "alice");
  // A failed login takes the level and the name back; an empty password
  // never matches, not even a user without a password.
  EXPECT_EQ(Login("other"), 0);
  EXPECT_EQ(client.connection->GetUserName(), "");
  EXPECT_EQ(Login(""), 0);
  // The user file is read anew on every login.
  WriteUsers({{"bob", "S\xC9KRET", 9}});
  EXPECT_EQ(Login("s\xE9kret"), 9);
  EXPECT_EQ(client.connection->GetUserName(), "bob");
}

TEST_F(LoginTest, RequiredLoginWithoutUsersGetsTheFullLevelAndKeepsTheName) {
  server.state.settings.RequireActiveXLogin = true;
  client.connection->SetUserName("earlier");
  EXPECT_EQ(Login("anything"), 32767);
  EXPECT_EQ(client.connection->GetUserName(), "earlier");
}

TEST_F(LoginTest, ShortPasswordRequestIsDroppedAndAreaKeepsTheLastValue) {
  server.state.settings.RequireActiveXLogin = true;
  WriteUsers({{"alice", "secret", 5}});
  client.connection->SetUserLevel(77);
  Request(server, client, 6,
          std::string("\x00\x05"
                      "abc",
                      5));
  EXPECT_TRUE(TakeWritten(client).empty());
  EXPECT_EQ(client.connection->GetUserLevel(), 77);

  Request(server, client, 9, EncodeString("North"));
  Request(server, client, 9, EncodeString("South"));
  Request(server, client, 9, std::string("\x00", 1));
  EXPECT_EQ(client.connection->m_Area, "South");
  EXPECT_TRUE(TakeWritten(client).empty());
}

}  // namespace
}  // namespace orlund
