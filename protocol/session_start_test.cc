#include "protocol/session_start.h"

#include <gtest/gtest.h>

#include "protocol/codec.h"
#include "protocol/fake_transport.h"
#include "protocol/framing.h"
#include "store/file_utils.h"
#include "store/test_temp_dir.h"
#include "store/users.h"

namespace orlund {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

class SessionStartTest : public ::testing::Test {
 protected:
  SessionStartTest() { server.state.ProjectDirectory = dir.path(); }

  void WriteIni(const std::string& text) {
    ASSERT_TRUE(WriteFileAtomically(dir.path() + "Orlund_Server.ini", text));
  }
  void WriteUsers(int count) {
    std::vector<UserRecord> users(static_cast<size_t>(count), UserRecord{"ann", "pw", 5});
    ASSERT_TRUE(WriteFileAtomically(dir.path() + kUsersFileName, EncodeUsersFile(users)));
  }

  TestTempDir dir;
  TestServer server;
};

TEST_F(SessionStartTest, FourPacketsByteExactAndInOrder) {
  WriteIni("[General]\r\nLanguage=ENG\r\n; note\r\n\r\n[ActiveX]\r\nActiveXServerPort=1\r\n");
  FakeClient c = MakeFakeClient();
  c.connection->SetUserName("old");
  SendSessionStart(server.state, *c.connection);

  const auto& w = c.transport->written;
  ASSERT_EQ(w.size(), 4u);
  EXPECT_EQ(w[0], Bytes({1, 0, 0, 0, 2, 0, 4}));
  EXPECT_EQ(w[1], EncodePacket(2, EncodeString(dir.path())));
  std::string sections = EncodeInt16(2) + EncodeString("General") +
                         EncodeString(std::string("Language=ENG\0", 13)) + EncodeString("ActiveX") +
                         EncodeString(std::string("ActiveXServerPort=1\0", 20));
  EXPECT_EQ(w[2], EncodePacket(3, sections));
  EXPECT_EQ(w[3], Bytes({7, 0, 0, 0, 4, 0, 0, 127, 255}));
  EXPECT_EQ(c.connection->GetUserName(), "");
  // Each packet has its list line; the connection is not made a member here.
  EXPECT_EQ(server.state.List_Packets.lines().size(), 4u);
  EXPECT_TRUE(server.state.ClientConnections.empty());
}

TEST_F(SessionStartTest, AtMostTwentySectionsAndCommentOnlySectionsAreEmpty) {
  std::string ini = "[Quiet]\n; only a comment\n\n";
  for (int i = 1; i < 25; ++i) ini += "[S" + std::to_string(i) + "]\nk=v\n";
  WriteIni(ini);
  std::string payload = IniParametersPayload(dir.path() + "Orlund_Server.ini");
  size_t pos = 0;
  EXPECT_EQ(DecodeInt16(payload, pos), 20);
  EXPECT_EQ(DecodeString(payload, pos), "Quiet");
  EXPECT_EQ(DecodeString(payload, pos), "");
  std::string last_name;
  for (int i = 1; i < 20; ++i) {
    last_name = DecodeString(payload, pos);
    DecodeString(payload, pos);
  }
  EXPECT_EQ(last_name, "S19");
  EXPECT_EQ(pos, payload.size());

  EXPECT_EQ(IniParametersPayload(dir.path() + "missing.ini"), Bytes({0, 0}));
}

TEST_F(SessionStartTest, StartLevelFollowsLoginSettingAndTheUserFileReadAfresh) {
  WriteIni("[ActiveX]\n");
  server.state.settings.RequireActiveXLogin = true;
  FakeClient a = MakeFakeClient();
  SendSessionStart(server.state, *a.connection);  // no user file: no login possible
  EXPECT_EQ(a.connection->GetUserLevel(), 32767);

  WriteUsers(1);
  FakeClient b = MakeFakeClient();
  SendSessionStart(server.state, *b.connection);
  EXPECT_EQ(b.connection->GetUserLevel(), 0);
  EXPECT_EQ(b.transport->written.back(), Bytes({7, 0, 0, 0, 4, 0, 0, 0, 0}));

  server.state.settings.RequireActiveXLogin = false;
  FakeClient c = MakeFakeClient();
  SendSessionStart(server.state, *c.connection);
  EXPECT_EQ(c.connection->GetUserLevel(), 32767);
}

}  // namespace
}  // namespace orlund
