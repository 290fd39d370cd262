// The server executable end to end: start-up, start packets, admission,
// keep-alive, reloads, the traffic switch and stopping, each on a scratch
// project over loopback.

#include <gtest/gtest.h>

#include "protocol/messages.h"
#include "protocol/traffic_log.h"
#include "store/profiles.h"
#include "store/users.h"
#include "testing/harness.h"

namespace orlund::testing {
namespace {

int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

// Runs the server to its end and returns its exit code.
int RunToEnd(ServerProcess& server) { return ExitCode(server.WaitExit()); }

TEST(ServerTest, StartPacketsByteExactAndInOrder) {
  Project project("RequireActiveXLogin=1\nActiveXLanguage=ENG\n");
  auto server = project.Start();
  Client first(project.port);
  auto start = first.ReadStartPackets();
  ASSERT_EQ(start.size(), 4u);
  const std::string activex_lines =
      "ActiveXServerPort=" + std::to_string(project.port) +
      std::string("\0RequireActiveXLogin=1\0ActiveXLanguage=ENG\0", 43);
  const std::vector<std::string> expected = {
      EncodePacket(1, Bytes({0, 4})), EncodePacket(2, EncodeString(project.dir)),
      EncodePacket(3, EncodeInt16(2) + EncodeString("General") +
                          EncodeString(std::string("Language=ENG\0", 13)) +
                          EncodeString("ActiveX") + EncodeString(activex_lines)),
      EncodePacket(7, Bytes({0, 0, 127, 255}))};  // no users: no login possible
  for (size_t i = 0; i < 4; ++i)
    EXPECT_EQ(EncodePacket(start[i].type, start[i].payload), expected[i]);

  // The user file is read afresh for every client.
  WriteFile(project.dir + "Orlund_Users.dat",
            EncodeUsersFile(std::vector<UserRecord>{UserRecord{"ann", "secret", 9}}));
  Client second(project.port);
  start = second.ReadStartPackets();
  ASSERT_EQ(start.size(), 4u);
  EXPECT_EQ(start[3].payload, Bytes({0, 0, 0, 0}));

  std::string log = project.ServerLog();
  EXPECT_EQ(log.rfind("-\n", 0), 0u) << log;
  EXPECT_TRUE(Contains(log, " XSV Orlund ActiveX Server started (version 1.00.06)\n")) << log;
  EXPECT_EQ(ExitCode(server->Stop(SIGTERM)), 0);
}

// A receiver entry as NETWORK_RECEIVER_UPDATE carries it.
std::string Receiver(const std::string& name) {
  return Encode(ReceiverEntry{name, -1, 0, 1, "pager on the night desk", {}});
}

TEST(ServerTest, RefusedClientIsClosedAtOnceWithNothingSent) {
  Project project("AllowedActiveXClientAddresses=10.0.0.*,,127.0.0.1\n");
  auto server = project.Start();
  Client refused(project.port);
  EXPECT_FALSE(refused.Read(milliseconds(2000)).has_value());
  EXPECT_TRUE(refused.ClosedByServer());
  EXPECT_TRUE(WaitFor([&] {
    return Contains(project.ServerLog(), "XSV Client address not allowed, refused: 127.0.0.1\n");
  }));
}

TEST(ServerTest, SilentClientGetsKeepAlivesAndIsDroppedTalkingClientStays) {
  Project project("ActiveXKeepAliveInterval=1000\n");
  auto server = project.Start();
  Client silent(project.port);
  Client talking(project.port);
  ASSERT_EQ(silent.ReadStartPackets().size(), 4u);
  ASSERT_EQ(talking.ReadStartPackets().size(), 4u);

  // Generous limits: the ticks run late on a loaded machine.
  auto keep_alive = silent.Read(milliseconds(5000));
  ASSERT_TRUE(keep_alive.has_value());
  EXPECT_EQ(keep_alive->type, 0);
  EXPECT_EQ(keep_alive->payload, "");
  auto end = std::chrono::steady_clock::now() + milliseconds(10000);
  bool dropped = false;
  while (std::chrono::steady_clock::now() < end && !dropped) {
    talking.Send(9, EncodeString("here"));
    dropped = silent.ClosedByServer(milliseconds(300));
  }
  EXPECT_TRUE(dropped);
  EXPECT_FALSE(talking.ClosedByServer(milliseconds(100)));
  EXPECT_TRUE(WaitFor([&] {
    return Contains(project.ServerLog(),
                    "XSV Client 127.0.0.1 silent too long, connection closed\n");
  }));
}

TEST(ServerTest, OwnSavesAreNotReloadedForeignChangesAre) {
  Project project;
  auto server = project.Start();
  Client client(project.port);
  ASSERT_EQ(client.ReadStartPackets().size(), 4u);
  client.Send(100, Receiver("Pager 1"));
  EXPECT_TRUE(WaitFor([&] { return project.Commands() == std::vector<std::string>{"RR"}; }));
  ProfileRecord profile;
  profile.ProfileNumber = 12;
  WriteFile(project.dir + "Profiles/Profile_0012.dat", EncodeProfileFile(profile, nullptr));
  EXPECT_TRUE(WaitFor(
      [&] {
        return Contains(project.ServerLog(),
                        "XSV Data files changed by the alarm server, reloaded 1 profiles\n");
      },
      milliseconds(20000)))
      << project.ServerLog();
  EXPECT_FALSE(Contains(project.ServerLog(), " receivers\n"));
}

TEST(ServerTest, StopWritesPendingChangesBeforeItEnds) {
  Project project;
  auto server = project.Start();
  Client client(project.port);
  ASSERT_EQ(client.ReadStartPackets().size(), 4u);
  client.Send(100, Receiver("Pager 2"));
  ASSERT_TRUE(client.ReadSkippingKeepAlives().has_value());  // handled: the change is pending
  EXPECT_EQ(ExitCode(server->Stop(SIGTERM)), 0);
  EXPECT_TRUE(PathExists(project.dir + "Receivers/Receiver_0000.dat"));
  EXPECT_EQ(project.Commands(), std::vector<std::string>{"RR"});
}

// The last line of `out` that ends with `tail`, without its line end.
std::string LineEndingWith(const std::string& out, const std::string& tail) {
  size_t end = out.rfind(tail + "\n");
  if (end == std::string::npos) return "";
  size_t begin = out.rfind('\n', end);
  begin = begin == std::string::npos ? 0 : begin + 1;
  return out.substr(begin, end + tail.size() - begin);
}

TEST(ServerTest, TrafficFileFollowsTheSignalSwitch) {
  Project project("ActiveXKeepAliveInterval=1000\n");
  auto server = project.Start();
  // Signals of one kind do not queue: each toggle is awaited before the next.
  auto toggled = [&](const char* state, int times) {
    std::string out = server->Stdout();
    std::string line = std::string("Save continous to debug file: ") + state + "\n";
    int n = 0;
    for (size_t at = out.find(line); at != std::string::npos; at = out.find(line, at + 1)) ++n;
    return n == times;
  };
  server->Signal(SIGUSR1);
  ASSERT_TRUE(WaitFor([&] { return toggled("on", 1); }));
  server->Signal(SIGUSR1);
  ASSERT_TRUE(WaitFor([&] { return toggled("off", 1); }));
  Client client(project.port);
  ASSERT_EQ(client.ReadStartPackets().size(), 4u);
  client.Send(9, EncodeString("off"));
  ASSERT_TRUE(WaitFor([&] { return Contains(server->Stdout(), "NETWORK_COMMON_AREA"); }));
  EXPECT_EQ(project.Traffic(), "");

  server->Signal(SIGUSR1);
  ASSERT_TRUE(WaitFor([&] { return toggled("on", 2); }));
  client.Send(9, EncodeString("on"));
  ASSERT_TRUE(client.ReadType(0));  // silence brings a keep-alive, unrecorded
  client.Send(200, "");
  // One record per packet, built from the very lines the list showed.
  std::string expected;
  EXPECT_TRUE(WaitFor([&] {
    std::string out = server->Stdout();
    std::string area = LineEndingWith(out, " NETWORK_COMMON_AREA (4 bytes)");
    std::string unknown = LineEndingWith(out, " UNKNOWN (200)");
    if (area.empty() || unknown.empty()) return false;
    size_t at = area.find(" <- ") + 4;
    std::string peer = area.substr(at, area.find(' ', at) - at);
    expected = TrafficRecord(area, peer, DirectionReceived, 9, EncodeString("on")) +
               TrafficRecord(unknown, peer, DirectionReceived, 200, "");
    return project.Traffic().size() >= expected.size();
  }));
  EXPECT_EQ(project.Traffic(), expected);
  EXPECT_EQ(ExitCode(server->Stop(SIGINT)), 0);
}

TEST(ServerTest, StartUpRefusalsNameTheirReasonAndFail) {
  Project no_language("", "XYZ");
  auto server = std::make_unique<ServerProcess>(no_language.dir, no_language.home.path());
  EXPECT_NE(RunToEnd(*server), 0);
  EXPECT_TRUE(Contains(server->Stderr(), "Language files not selected or not available!\n"));

  Project first;
  auto running = first.Start();
  auto twice = std::make_unique<ServerProcess>(first.dir, first.home.path());
  EXPECT_NE(RunToEnd(*twice), 0);
  EXPECT_TRUE(Contains(twice->Stderr(), "Orlund ActiveX Server is already started!\n"));

  Project same_port;
  WriteFile(
      same_port.dir + "Orlund_Server.ini",
      "[General]\nLanguage=ENG\n[ActiveX]\nActiveXServerPort=" + std::to_string(first.port) + "\n");
  server = std::make_unique<ServerProcess>(same_port.dir, same_port.home.path());
  EXPECT_NE(RunToEnd(*server), 0);
  EXPECT_TRUE(Contains(server->Stderr(), "Orlund ActiveX Server port " +
                                             std::to_string(first.port) + " is already in use!\n"));

  Project bad_port;
  WriteFile(bad_port.dir + "Orlund_Server.ini",
            "[General]\nLanguage=ENG\n[ActiveX]\nActiveXServerPort=70000\n");
  server = std::make_unique<ServerProcess>(bad_port.dir, bad_port.home.path());
  EXPECT_NE(RunToEnd(*server), 0);
  EXPECT_TRUE(Contains(server->Stderr(), "port 70000 is not a valid port number"));
  EXPECT_EQ(ExitCode(running->Stop(SIGTERM)), 0);
}

TEST(ServerTest, InstallAndUninstallTheServiceUnit) {
  if (PathExists("/run/systemd/system")) GTEST_SKIP() << "would change this machine's systemd";
  Project project;
  ServerProcess install(project.dir, project.home.path(), {"/i"});
  EXPECT_EQ(RunToEnd(install), 0);
  EXPECT_EQ(install.Stdout(), "Orlund ActiveX Server service installation succeeded\n");
  std::string unit = ReadFile(project.home.path() + "systemd/OrlundActiveXServer.service");
  EXPECT_TRUE(Contains(unit, "ExecStart=\"" + BinDir() + "orlund-activex-server\"\n")) << unit;
  std::string setting = project.home.path() +
                        "registry/SYSTEM/CurrentControlSet/Services/OrlundActiveXServer/"
                        "Parameters/RunAsService";
  EXPECT_EQ(ReadFile(setting), "1");

  ServerProcess uninstall(project.dir, project.home.path(), {"/U"});
  EXPECT_EQ(RunToEnd(uninstall), 0);
  EXPECT_EQ(uninstall.Stdout(), "Orlund ActiveX Server service uninstalled successfully\n");
  EXPECT_FALSE(PathExists(project.home.path() + "systemd/OrlundActiveXServer.service"));
  EXPECT_EQ(ReadFile(setting), "0");

  ServerProcess again(project.dir, project.home.path(), {"/U"});
  EXPECT_NE(RunToEnd(again), 0);
  EXPECT_EQ(again.Stdout(), "Orlund ActiveX Server failed to uninstall as service\n");
}

}  // namespace
}  // namespace orlund::testing
