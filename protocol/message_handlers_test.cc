#include <gtest/gtest.h>

#include <chrono>

#include "protocol/codec.h"
#include "store/settings_store.h"
#include "testing/fake_transport.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

class MessageHandlersTest : public ::testing::Test {
 protected:
  void SetUp() override { server.state.user_settings_root = dir.path(); }
  // The answers to types 61 and 62.
  std::string LastMessage(TestServer& s, const FakeClient& c) {
    Request(s, c, 61, "ignored");
    Request(s, c, 62);
    return Sent(c);
  }
  std::string Answers(const std::string& receivers, const std::string& text) {
    return EncodePacket(61, EncodeString(receivers)) + EncodePacket(62, EncodeString(text));
  }

  TestTempDir dir;
  TestServer server;
  FakeClient client = server.Join();
};

TEST_F(MessageHandlersTest, MessagesAreQueuedAndRememberedByteForByte) {
  EXPECT_EQ(LastMessage(server, client), Answers("", ""));
  const std::string message = "A\376B\376T\r\n\377";
  Request(server, client, 60, EncodeString(message));
  EXPECT_EQ(server.alarm.commands, std::vector<std::string>{"FT:" + message});
  // Remembered across a restart of the server.
  TestServer restarted;
  restarted.state.user_settings_root = dir.path();
  EXPECT_EQ(LastMessage(restarted, restarted.Join()), Answers("A\377B", "T\r\n\377"));
}

TEST_F(MessageHandlersTest, OnlyMessagesWithReceiversAreRememberedWhileTheFlagIsSet) {
  Request(server, client, 60, EncodeString("Solo\376"));
  Request(server, client, 60, EncodeString("no receivers"));
  server.state.settings.StoreActiveXMessagesByServer = false;
  Request(server, client, 60, EncodeString("X\376Y"));
  Request(server, client, 60, std::string("\0\11short", 7));
  EXPECT_EQ(LastMessage(server, client), Answers("Solo", ""));
  // Commands go unchanged; a cut-short one is dropped.
  Request(server, client, 190, EncodeString(""));
  Request(server, client, 190, EncodeString("RP:-1 \376\r\n"));
  Request(server, client, 190, std::string("\0\11short", 7));
  EXPECT_EQ(server.alarm.commands, (std::vector<std::string>{"FT:Solo\376", "FT:no receivers",
                                                             "FT:X\376Y", "", "RP:-1 \376\r\n"}));
}

TEST_F(MessageHandlersTest, AFullSpoolIsLoggedAtTheFirstRefusalThenAtMostOnceAMinute) {
  auto now = std::chrono::steady_clock::time_point{};
  server.state.clock.steady_now = [&] { return now; };
  server.alarm.command_result = kCommandQueueFull;
  const auto refuse = [&](int seconds_later) {
    now += std::chrono::seconds(seconds_later);
    Request(server, client, 190, EncodeString("cmd"));
  };
  refuse(0);   // logged
  refuse(30);  // counted
  refuse(29);  // counted
  refuse(1);   // a minute after the first line: logged with the three since
  Request(server, client, 60, EncodeString("A\376text"));  // a message counts too
  EXPECT_EQ(server.log.lines, (std::vector<std::string>{
                                  "Command spool full: 1 command for the alarm server refused",
                                  "Command spool full: 3 commands for the alarm server refused"}));
  EXPECT_TRUE(server.alarm.commands.empty());
}

// With its write to the settings store in the background, the remembered
// message is answered from memory at once; messages that come during a
// write are written by one more write, of the newest.
TEST_F(MessageHandlersTest, RememberedMessageIsWrittenInTheBackgroundOneWriteAtATime) {
  HeldJobs held(server.state);
  Request(server, client, 60, EncodeString("A\376first"));
  Request(server, client, 60, EncodeString("B\376second"));
  Request(server, client, 60, EncodeString("C\376third"));
  EXPECT_EQ(LastMessage(server, client), Answers("C", "third"));
  ASSERT_EQ(held.jobs.size(), 4u);  // three commands and one write, of the first message
  held.RunAll();
  EXPECT_EQ(server.alarm.commands.size(), 3u);
  // That write ended with newer messages waiting: one more, of the newest.
  ASSERT_EQ(held.jobs.size(), 1u);
  held.RunAll();
  EXPECT_TRUE(held.jobs.empty());
  TestServer restarted;
  restarted.state.user_settings_root = dir.path();
  EXPECT_EQ(LastMessage(restarted, restarted.Join()), Answers("C", "third"));
}

// A settings store that cannot be written is shown in the packet list; the
// message is still remembered for this run.
TEST_F(MessageHandlersTest, RememberedMessageNotWrittenIsShownAndStillAnswered) {
  server.state.user_settings_root = dir.path() + "plain-file/settings";
  dir.Put("plain-file", "");
  Request(server, client, 60, EncodeString("A\376kept"));
  EXPECT_EQ(server.state.List_Packets.lines().back(),
            "10.0.0.5:1234 NETWORK_TEXTMESSAGE_SUBMITMESSAGE: remembered message not written to " +
                dir.path() + "plain-file/settings");
  EXPECT_EQ(LastMessage(server, client), Answers("A", "kept"));
}

// Commands handed to a background thread reach the spool in order and are
// audited only once there; past the most that may wait, more are refused as
// by a full spool.
TEST_F(MessageHandlersTest, CommandsWaitingForTheSpoolAreBoundedAndAuditedWhenQueued) {
  HeldJobs held(server.state);
  const size_t most = ServerState::kMaxCommandsInFlight;
  for (size_t i = 0; i < most + 2; ++i) {
    Request(server, client, 190, EncodeString("cmd " + std::to_string(i)));
  }
  ASSERT_EQ(held.jobs.size(), most);
  EXPECT_TRUE(server.alarm.commands.empty());
  EXPECT_EQ(server.log.lines,
            std::vector<std::string>{"Command spool full: 1 command for the alarm server refused"});

  std::vector<std::function<void()>> completions;
  for (BackgroundJob& job : held.jobs) completions.push_back(job());
  ASSERT_EQ(server.alarm.commands.size(), most);
  EXPECT_EQ(server.alarm.commands.back(), "cmd " + std::to_string(most - 1));
  EXPECT_EQ(server.log.lines.size(), 1u) << "audited before the completion";
  for (auto& completion : completions) completion();
  ASSERT_EQ(server.log.lines.size(), 1 + most);
  EXPECT_EQ(server.log.lines[1], "Command queued by - from 10.0.0.5: cmd 0");
  EXPECT_EQ(server.state.CommandsInFlight, 0u);

  held.jobs.clear();
  Request(server, client, 190, EncodeString("again"));
  EXPECT_EQ(held.jobs.size(), 1u);
}

}  // namespace
}  // namespace orlund
