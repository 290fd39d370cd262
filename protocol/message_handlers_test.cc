#include <gtest/gtest.h>

#include "protocol/codec.h"
#include "protocol/handler_testing.h"
#include "store/settings_store.h"
#include "store/test_temp_dir.h"

namespace orlund {
namespace {

class MessageHandlersTest : public ::testing::Test {
 protected:
  void SetUp() override { server.state.user_settings_root = dir.path() + "user"; }

  std::string Stored(const char* value) {
    return ReadSetting(dir.path() + "user", kUserParametersKey, value, "<none>");
  }

  TestTempDir dir;
  TestServer server;
  FakeClient client = server.Join();
};

TEST_F(MessageHandlersTest, MessageIsQueuedAndRememberedByteForByte) {
  const std::string message =
      "A\xFE"
      "B\xFE"
      "T\r\n\xFF";
  Request(server, client, 60, EncodeString(message));
  ASSERT_EQ(server.alarm.commands.size(), 1u);
  EXPECT_EQ(server.alarm.commands[0], "FT:" + message);
  EXPECT_EQ(Stored(kLastMessageReceiversValue),
            "A\xFF"
            "B");
  EXPECT_EQ(Stored(kLastMessageTextValue), "T\r\n\xFF");
  EXPECT_TRUE(TakeWritten(client).empty());

  // The remembered message survives a restart of the server.
  TestServer restarted;
  restarted.state.user_settings_root = dir.path() + "user";
  FakeClient other = restarted.Join();
  Request(restarted, other, 61);
  EXPECT_EQ(TakeOnly(other), EncodePacket(61, EncodeString("A\xFF"
                                                           "B")));
  Request(restarted, other, 62);
  EXPECT_EQ(TakeOnly(other), EncodePacket(62, EncodeString("T\r\n\xFF")));
}

TEST_F(MessageHandlersTest, OnlyMessagesWithReceiversAreRememberedWhileTheFlagIsSet) {
  Request(server, client, 60, EncodeString("Solo\xFE"));
  EXPECT_EQ(Stored(kLastMessageReceiversValue), "Solo");
  EXPECT_EQ(Stored(kLastMessageTextValue), "");

  Request(server, client, 60, EncodeString("no receivers"));
  server.state.settings.StoreActiveXMessagesByServer = false;
  Request(server, client, 60, EncodeString("X\xFEY"));
  EXPECT_EQ(server.alarm.commands,
            (std::vector<std::string>{"FT:Solo\xFE", "FT:no receivers", "FT:X\xFEY"}));
  EXPECT_EQ(Stored(kLastMessageReceiversValue), "Solo");
  EXPECT_EQ(Stored(kLastMessageTextValue), "");
}

TEST_F(MessageHandlersTest, NothingRememberedAnswersEmptyTexts) {
  Request(server, client, 61, "ignored");
  EXPECT_EQ(TakeOnly(client), std::string("\x3D\x00\x00\x00\x02\x00\x00", 7));
  Request(server, client, 62);
  EXPECT_EQ(TakeOnly(client), EncodePacket(62, EncodeString("")));
}

TEST_F(MessageHandlersTest, CommandEntriesAreQueuedUnchangedAndShortRequestsDropped) {
  Request(server, client, 190, EncodeString(""));
  Request(server, client, 190, EncodeString("RP:-1 \xFE\r\n"));
  Request(server, client, 190,
          std::string("\x00\x09"
                      "short",
                      7));
  Request(server, client, 60,
          std::string("\x00\x09"
                      "short",
                      7));
  EXPECT_EQ(server.alarm.commands, (std::vector<std::string>{"", "RP:-1 \xFE\r\n"}));
  EXPECT_EQ(Stored(kLastMessageTextValue), "<none>");
}

}  // namespace
}  // namespace orlund
