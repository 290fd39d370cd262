#include <gtest/gtest.h>

#include "base/file_utils.h"
#include "protocol/codec.h"
#include "testing/handler_testing.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

class LoginTest : public ::testing::Test {
 protected:
  void SetUp() override { server.state.ProjectDirectory = dir.path(); }
  void WriteUsers(const std::vector<UserRecord>& users) {
    ASSERT_TRUE(WriteFileAtomically(dir.path() + kUsersFileName, EncodeUsersFile(users)));
  }
  // The level answered to a login, and the user name it leaves.
  std::pair<int32_t, std::string> Login(const std::string& password) {
    Request(server, client, 6, EncodeString(password));
    std::string packet = Sent(client);
    size_t pos = 5;
    EXPECT_EQ(packet.substr(0, 5), std::string("\x07\x00\x00\x00\x04", 5));
    return {DecodeInt32(packet, pos), client.connection->GetUserName()};
  }
  using Result = std::pair<int32_t, std::string>;

  TestTempDir dir;
  TestServer server;
  FakeClient client = server.Join();
};

TEST_F(LoginTest, WithoutLoginRequiredOrWithoutUsersEveryPasswordGetsTheFullLevel) {
  WriteUsers({{"alice", "secret", 5}});
  Request(server, client, 6, EncodeString(""));
  EXPECT_EQ(Sent(client), std::string("\x07\x00\x00\x00\x04\x00\x00\x7F\xFF", 9));

  server.state.settings.RequireActiveXLogin = true;
  WriteUsers({});
  client.connection->SetUserName("earlier");
  EXPECT_EQ(Login("x"), Result(32767, "earlier"));

  // A cut-short password changes nothing; the last area announced stays.
  Request(server, client, 6, std::string("\0\5abc", 5));
  Request(server, client, 9, EncodeString("North"));
  Request(server, client, 9, EncodeString("South"));
  EXPECT_EQ(Sent(client), "");
  EXPECT_EQ(client.connection->m_Area, "South");
}

TEST_F(LoginTest, RequiredLoginMatchesPasswordsIgnoringCaseFirstUserWinning) {
  server.state.settings.RequireActiveXLogin = true;
  WriteUsers({{"nobody", "", 1}, {"alice", "S\xE9kret", 5}, {"bob", "S\xC9KRET", 9}});
  EXPECT_EQ(Login("s\xC9krEt"), Result(5, "alice"));
  EXPECT_EQ(Login("other"), Result(0, ""));
  EXPECT_EQ(Login(""), Result(0, ""));
  // The user file is read anew on every login.
  WriteUsers({{"bob", "S\xC9KRET", 9}});
  EXPECT_EQ(Login("s\xE9kret"), Result(9, "bob"));
}

}  // namespace
}  // namespace orlund
