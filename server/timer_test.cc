#include "server/timer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/file_utils.h"
#include "protocol/dispatcher.h"
#include "protocol/framing.h"
#include "store/profiles.h"
#include "testing/fake_transport.h"
#include "testing/fault_file_system.h"
#include "testing/held_saves.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

using std::chrono::milliseconds;
using testing::FaultFileSystem;
using testing::FsOp;
using testing::HeldSaves;

struct TimerServer : TestServer {
  explicit TimerServer(bool hold_saves = false)
      : saves(state, hold_saves ? static_cast<SaveExecutor&>(held) : at_once) {
    texts = FixedTexts{{{125, "receivers"},
                        {144, "profiles"},
                        {813, "Reloaded"},
                        {877, "Client"},
                        {878, "silent"}}};
    state.clock.steady_now = [this] { return now; };
    state.ProjectDirectory = dir.path();
  }

  FakeClient JoinNow(std::string address = "10.0.0.5") {
    FakeClient c = Join(std::move(address));
    c.connection->m_NetworkLastPacketFromClientTimeStamp = now;
    return c;
  }

  // Advances the clock and runs one tick.
  void Tick(milliseconds step = milliseconds(1000)) {
    now += step;
    TimerTick(state, saves);
  }

  void AddReceiver(const std::string& name) {
    ReceiverTable& table = state.data.receivers;
    table.Receivers[table.ReceiverCount++].Name = name;
    state.ReceiversChanged = true;
  }

  InlineSaveExecutor at_once;
  HeldSaves held;
  DeferredSaves saves;
  TestTempDir dir;
  std::chrono::steady_clock::time_point now{std::chrono::hours(1)};
};

TEST(KeepAliveLimitsTest, SecondsRoundHalvesToEven) {
  EXPECT_EQ(KeepAliveLimitsFor(1500).send_after_s, 2);
  EXPECT_EQ(KeepAliveLimitsFor(1500).drop_after_s, 3);
  EXPECT_EQ(KeepAliveLimitsFor(2500).send_after_s, 2);
  EXPECT_EQ(KeepAliveLimitsFor(kMaxKeepAliveIntervalMs).drop_after_s, 32767);
}

TEST(TimerTest, SweepRemovesEveryClosedMemberSilently) {
  TimerServer server;
  server.state.settings.ActiveXKeepAliveInterval = 0;
  std::vector<FakeClient> c;
  for (int i = 1; i <= 4; ++i) c.push_back(server.JoinNow("10.0.0." + std::to_string(i)));
  c[1].transport->connected = false;
  c[2].transport->connected = false;
  server.Tick(milliseconds(3600 * 1000));  // interval 0: silence drops nobody
  EXPECT_EQ(server.state.ClientConnections, (std::vector{c[0].connection, c[3].connection}));
  EXPECT_TRUE(c[0].transport->written.empty());
  EXPECT_TRUE(server.log.lines.empty());
}

TEST(TimerTest, QuietClientGetsKeepAlivesAndIsDroppedAfterTwiceTheInterval) {
  TimerServer server;
  server.state.settings.ActiveXKeepAliveInterval = 5000;
  FakeClient quiet = server.JoinNow("10.0.0.1");
  FakeClient talking = server.JoinNow("10.0.0.2");
  const std::string keep_alive(5, '\0');

  for (int second = 1; second <= 10; ++second) {
    server.Tick();
    OnDataArrival(server.state, *talking.connection, EncodePacket(200, ""));
    EXPECT_EQ(quiet.transport->written.size(), second < 5 ? 0u : size_t(second - 4)) << second;
  }
  EXPECT_EQ(quiet.transport->written.back(), keep_alive);
  EXPECT_TRUE(quiet.transport->connected);  // 10 s is not more than 10 s

  server.Tick(milliseconds(1));
  EXPECT_FALSE(quiet.transport->connected);
  EXPECT_EQ(server.log.lines, std::vector<std::string>{"Client 10.0.0.1 silent"});
  EXPECT_EQ(server.state.ClientConnections.size(), 2u);  // removed by the next tick
  server.Tick();
  ASSERT_EQ(server.state.ClientConnections.size(), 1u);
  EXPECT_EQ(server.state.ClientConnections[0], talking.connection);
  EXPECT_TRUE(talking.transport->written.empty());
}

TEST(TimerTest, FailingSavesAreRetriedWithOneLineWhenTheyStartAndOneWhenTheyEnd) {
  TimerServer server;
  FaultFileSystem faulty(DefaultFileSystem());
  faulty.Arm(FsOp::kAny, 1, FaultFileSystem::Fault::kThrow);
  server.state.file_system = &faulty;
  ASSERT_TRUE(WriteFileAtomically(server.dir.path() + "Receivers", "in the way"));
  server.AddReceiver("Pager 1");
  server.Tick();  // throws
  server.Tick();  // fails
  EXPECT_TRUE(server.state.ReceiversChanged);
  EXPECT_EQ(server.log.lines, std::vector<std::string>{"Receivers not saved: injected fault"});
  EXPECT_TRUE(server.alarm.commands.empty());

  // A full spool loses the reload command only: the files are saved.
  server.alarm.command_result = kCommandQueueFull;
  std::filesystem::remove(server.dir.path() + "Receivers");
  server.Tick();
  EXPECT_FALSE(server.state.ReceiversChanged);
  EXPECT_EQ(server.log.lines,
            (std::vector<std::string>{"Receivers not saved: injected fault",
                                      "Command spool full: 1 command for the alarm server refused",
                                      "Receivers saved after 2 failed attempts"}));
  const ServerMetrics& metrics = server.state.metrics;
  EXPECT_EQ(metrics.saves[0], (std::array<uint64_t, 2>{2, 1}));
  EXPECT_TRUE(metrics.last_save[0].happened && metrics.last_save[0].ok);
}

TEST(TimerTest, ChangeDuringASaveIsSavedByTheNextAndTheDirectoryIsNotPolledMeanwhile) {
  TimerServer server(/*hold_saves=*/true);
  server.AddReceiver("Pager 1");
  server.Tick();
  ASSERT_EQ(server.held.jobs.size(), 1u);
  std::function<void()> completion = server.held.Write();  // the files are on disk
  EXPECT_EQ(server.alarm.commands, std::vector<std::string>{"RR"});
  server.AddReceiver("Pager 2");
  for (int i = 0; i < 9; ++i) server.Tick();  // one save at a time; a poll
  EXPECT_TRUE(server.held.jobs.empty());
  EXPECT_EQ(server.state.PollElapsed, 0);
  EXPECT_TRUE(server.log.lines.empty());  // its own write not reloaded

  completion();
  EXPECT_TRUE(server.state.ReceiversChanged);  // "Pager 2" is not on disk yet
  server.Tick();
  server.held.Write()();
  EXPECT_FALSE(server.state.ReceiversChanged);
  EXPECT_EQ(server.alarm.commands, (std::vector<std::string>{"RR", "RR"}));
  EXPECT_TRUE(FileExists(server.dir.path() + "Receivers/Receiver_0001.dat"));
  for (int i = 0; i < 10; ++i) server.Tick();  // saved once, its own files not reloaded
  EXPECT_TRUE(server.log.lines.empty());
  EXPECT_EQ(server.alarm.commands.size(), 2u);
}

TEST(TimerTest, StopWaitsForTheSaveInFlightThenSavesWhatIsStillPending) {
  TimerServer server(/*hold_saves=*/true);
  server.AddReceiver("Pager 1");
  server.Tick();
  server.AddReceiver("Pager 2");
  server.state.ProfilesChanged = true;
  bool done = false;
  server.saves.Finish([&] { done = true; });
  ASSERT_EQ(server.held.jobs.size(), 2u);  // the receivers in flight, the profiles
  server.held.Write()();
  ASSERT_EQ(server.held.jobs.size(), 2u);  // the profiles, the receivers once more
  server.held.Write()();
  EXPECT_FALSE(done);
  server.held.Write()();
  EXPECT_TRUE(done);
  EXPECT_FALSE(server.state.ReceiversChanged || server.state.ProfilesChanged);
  EXPECT_EQ(server.alarm.commands, (std::vector<std::string>{"RR", "RP:-1", "RR"}));
  server.Tick();  // the timer starts nothing after the stop
  EXPECT_TRUE(server.held.jobs.empty());
}

TEST(TimerTest, ForeignChangeIsReloadedAtTheTenSecondPoll) {
  TimerServer server;
  server.Tick();
  std::filesystem::create_directories(server.dir.path() + "Profiles");
  ProfileRecord profile;
  profile.ProfileNumber = 7;
  profile.Name = "Night shift";
  ASSERT_TRUE(WriteFileAtomically(server.dir.path() + "Profiles/Profile_0007.dat",
                                  EncodeProfileFile(profile, nullptr)));
  for (int i = 0; i < 8; ++i) server.Tick();
  EXPECT_TRUE(server.log.lines.empty());
  server.Tick();
  EXPECT_EQ(server.log.lines, std::vector<std::string>{"Reloaded 1 profiles"});
  EXPECT_EQ(server.state.data.profiles.ProfileCount, 1);
  for (int i = 0; i < 10; ++i) server.Tick();
  EXPECT_EQ(server.log.lines.size(), 1u);

  // A kept answer does not outlive a reload.
  FakeClient client = server.JoinNow();
  Request(server, client, 8);
  EXPECT_NE(Sent(client).find("Night shift"), std::string::npos);
  profile.Name = "Day shift";
  ASSERT_TRUE(WriteFileAtomically(server.dir.path() + "Profiles/Profile_0007.dat",
                                  EncodeProfileFile(profile, nullptr)));
  for (int i = 0; i < 10; ++i) server.Tick();
  Request(server, client, 8);
  EXPECT_NE(Sent(client).find("Day shift"), std::string::npos);
}

TEST(TimerTest, FailedReloadKeepsTableAndStampAndAHalfWrittenFileIsKeptBySave) {
  TimerServer server;
  FaultFileSystem faulty(DefaultFileSystem());
  server.state.file_system = &faulty;
  ProfileRecord profile;
  profile.ProfileNumber = 1;
  profile.Name = "Night shift";
  const std::string whole = EncodeProfileFile(profile, nullptr);
  std::filesystem::create_directories(server.dir.path() + "Profiles");
  ASSERT_TRUE(WriteFileAtomically(server.dir.path() + "Profiles/Profile_0001.dat", whole));
  ASSERT_TRUE(
      WriteFileAtomically(server.dir.path() + "Profiles/Profile_0002.dat", whole.substr(0, 100)));
  // The poll lists both directories; the reload's own listing fails.
  faulty.Arm(FsOp::kList, 3, FaultFileSystem::Fault::kFail);
  for (int i = 0; i < 10; ++i) server.Tick();
  ASSERT_TRUE(faulty.fired());
  EXPECT_TRUE(server.log.lines.empty());
  for (int i = 0; i < 10; ++i) server.Tick();
  EXPECT_EQ(server.log.lines,
            (std::vector<std::string>{"Invalid Text (803) '" + server.dir.path() +
                                          "Profiles/Profile_0002.dat' (4) Invalid Text (805)",
                                      "Reloaded 1 profiles"}));
  server.state.ProfilesChanged = true;
  server.Tick();
  ASSERT_EQ(server.log.lines.size(), 3u);
  EXPECT_TRUE(server.log.lines[2].starts_with("'" + server.dir.path() +
                                              "Profiles/Profile_0002.dat' was not loaded"));
  EXPECT_EQ(server.alarm.commands, std::vector<std::string>{"RP:-1"});
}

}  // namespace
}  // namespace orlund
