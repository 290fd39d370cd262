#include "server/event_loop.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "protocol/catalogue.h"
#include "protocol/messages.h"
#include "testing/fake_transport.h"
#include "testing/loopback_peer.h"

namespace orlund {
namespace {

// An alarm server whose spool takes every command only once it is opened, as
// a spool on a disk busy with syncs does.
class GatedAlarm : public AlarmLink {
 public:
  int32_t SetCommandEntry(const std::string& command) override {
    std::unique_lock<std::mutex> lock(mutex_);
    opened_.wait(lock, [this] { return open_; });
    commands_.push_back(command);
    return kCommandQueued;
  }
  void SetSysLogEntry(const std::string&, const std::string&) override {}

  void Open() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open_ = true;
    }
    opened_.notify_all();
  }
  std::vector<std::string> commands() {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
  std::vector<std::string> commands_;
};

// A command the spool is slow to take holds up no request, and a stop waits
// for it: the command is queued and audited before the loop ends.
TEST(EventLoopTest, ASlowSpoolHoldsUpNoRequestAndTheStopWaitsForItsCommands) {
  FixedTexts texts;
  RecordingLog log;
  GatedAlarm alarm;
  auto state = std::make_unique<ServerState>(texts, log, alarm);
  state->ProjectDirectory = "/nonexistent/project/";
  const int port = testing::FreePort();
  {
    EventLoop loop(*state);
    std::string error;
    ASSERT_TRUE(loop.Listen("127.0.0.1", port, error)) << error;
    std::thread runner([&loop] { loop.Run(); });

    testing::LoopbackPeer client(port);
    client.ReadStartPackets();
    client.Send(NETWORK_SUBMIT_COMMANDENTRY, Encode(CommandEntryRequest{"PAGE 17"}));
    client.Send(NETWORK_COMMON_RECEIVERTYPES);
    const bool answered = client.ReadType(NETWORK_COMMON_RECEIVERTYPES).has_value();
    EXPECT_TRUE(alarm.commands().empty());

    ::kill(::getpid(), SIGTERM);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    alarm.Open();
    runner.join();
    EXPECT_TRUE(answered) << "the request waited for the spool";
  }
  EXPECT_EQ(alarm.commands(), std::vector<std::string>{"PAGE 17"});
  EXPECT_NE(
      std::find(log.lines.begin(), log.lines.end(), "Command queued by - from 127.0.0.1: PAGE 17"),
      log.lines.end());
}

}  // namespace
}  // namespace orlund
