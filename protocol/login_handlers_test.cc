#include <gtest/gtest.h>

#include "base/file_utils.h"
#include "protocol/catalogue.h"
#include "protocol/codec.h"
#include "testing/fake_transport.h"
#include "testing/test_temp_dir.h"
#include "testing/timed_transport.h"

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
  EXPECT_EQ(Login(""), Result(32767, ""));

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

// The delays themselves are the throttle's; here, what waits for them.
TEST_F(LoginTest, FailedLoginsAreAnsweredLaterAndHoldOnlyTheirClientsLaterPackets) {
  using std::chrono::milliseconds;
  server.state.settings.RequireActiveXLogin = true;
  WriteUsers({{"alice", "secret", 5}});
  auto now = std::chrono::steady_clock::now();
  server.state.clock.steady_now = [&] { return now; };
  auto guesser = MakeFakeClient<TimedTransport>("10.0.0.1", 1, now);
  auto neighbour = MakeFakeClient<TimedTransport>("10.0.0.1", 2, now);
  TimedTransport& socket = *guesser.transport;
  const std::string types_answer = EncodePacket(NETWORK_COMMON_RECEIVERTYPES, EncodeInt16(0));
  const std::string level_0 = EncodePacket(NETWORK_COMMON_USERLEVEL, EncodeInt32(0));
  const std::string wrong = EncodePacket(6, EncodeString("wrong"));

  // Two guesses and a request in one arrival: the first answer waits 0.25 s
  // and everything after it waits behind it, while another client is served.
  OnDataArrival(server.state, *guesser.connection, wrong + wrong + EncodePacket(4, ""));
  EXPECT_TRUE(socket.written.empty());
  EXPECT_EQ(socket.wait_due, now + milliseconds(250));
  Request(server, client, 4);
  EXPECT_EQ(Sent(client), types_answer);
  now += milliseconds(250);
  socket.Expire();
  EXPECT_EQ(socket.written, std::vector<std::string>{level_0});
  EXPECT_EQ(socket.wait_due, now + milliseconds(500));
  now += milliseconds(500);
  socket.Expire();
  EXPECT_EQ(socket.written, (std::vector<std::string>{level_0, level_0, types_answer}));

  // A client that keeps sending behind a held answer (here empty packets)
  // stops being read until the answer has gone.
  OnDataArrival(server.state, *guesser.connection,
                wrong + std::string(kWaitingBytesLimit + 4, '\0'));
  EXPECT_FALSE(socket.reading);
  now = socket.wait_due;
  socket.Expire();
  EXPECT_TRUE(socket.reading);

  // The right password is answered at once and forgets the failures; a
  // login from the same address then waits for the answer held before it.
  socket.written.clear();
  const std::string right = EncodePacket(6, EncodeString("secret"));
  OnDataArrival(server.state, *guesser.connection, right + wrong);
  ASSERT_FALSE(socket.written.empty());
  EXPECT_EQ(socket.written[0], EncodePacket(NETWORK_COMMON_USERLEVEL, EncodeInt32(5)));
  EXPECT_EQ(socket.wait_due, now + milliseconds(250));
  OnDataArrival(server.state, *neighbour.connection, right);
  EXPECT_TRUE(neighbour.transport->written.empty());
  EXPECT_EQ(neighbour.transport->wait_due, socket.wait_due);
}

}  // namespace
}  // namespace orlund
