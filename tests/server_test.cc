// The server executable end to end: start-up, start packets, framing,
// admission, keep-alive, reloads, the traffic switch and stopping, each on a
// scratch project over loopback.

#include <gtest/gtest.h>

#include "protocol/codec.h"
#include "store/profiles.h"
#include "store/users.h"
#include "tests/harness.h"

namespace orlund::testing {
namespace {

using std::chrono::milliseconds;

int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

// Runs the server to its end and returns its exit code.
int RunToEnd(ServerProcess& server) { return ExitCode(server.WaitExit()); }

TEST(ServerTest, StartPacketsByteExactAndInOrder) {
  Project project("RequireActiveXLogin=1\nActiveXLanguage=ENG\n");
  auto server = project.Start();
  Client first(project.port);
  auto start = first.ReadStartPackets();
  ASSERT_EQ(start.size(), 4u);
  EXPECT_EQ(start[0].type, 1);
  EXPECT_EQ(start[0].payload, Bytes({0, 4}));
  EXPECT_EQ(start[1].type, 2);
  EXPECT_EQ(start[1].payload, EncodeString(project.dir));
  EXPECT_EQ(start[2].type, 3);
  std::string activex_lines = "ActiveXServerPort=" + std::to_string(project.port) +
                              std::string(1, '\0') + "RequireActiveXLogin=1" +
                              std::string(1, '\0') + "ActiveXLanguage=ENG" + std::string(1, '\0');
  EXPECT_EQ(start[2].payload, EncodeInt16(2) + EncodeString("General") +
                                  EncodeString(std::string("Language=ENG\0", 13)) +
                                  EncodeString("ActiveX") + EncodeString(activex_lines));
  EXPECT_EQ(start[3].type, 7);
  EXPECT_EQ(start[3].payload, Bytes({0, 0, 127, 255}));  // no users: no login possible

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
  EXPECT_TRUE(Contains(log, " XSV Client admitted: 127.0.0.1\n")) << log;
  EXPECT_TRUE(Contains(server->Stdout(), " (client connected)\n"));
  EXPECT_EQ(ExitCode(server->Stop(SIGTERM)), 0);
}

TEST(ServerTest, FramingOverTheSocket) {
  Project project;
  auto server = project.Start();
  Client client(project.port);
  ASSERT_EQ(client.ReadStartPackets().size(), 4u);

  // One packet in three pieces is handled once.
  std::string area = Frame(9, EncodeString("north wing, second floor"));
  client.SendRaw(area.substr(0, 3));
  std::this_thread::sleep_for(milliseconds(30));
  client.SendRaw(area.substr(3, 10));
  std::this_thread::sleep_for(milliseconds(30));
  client.SendRaw(area.substr(13));
  // An unknown type, then two packets in one write; the server-to-client
  // types change nothing and are only listed.
  client.SendRaw(Frame(200, "") + Frame(7, Bytes({0, 0, 0, 1})) + Frame(9, EncodeString("x")));
  ASSERT_TRUE(
      WaitFor([&] { return Contains(server->Stdout(), "NETWORK_COMMON_AREA (3 bytes)\n"); }));
  std::string out = server->Stdout();
  size_t first = out.find("NETWORK_COMMON_AREA (26 bytes)\n");
  ASSERT_NE(first, std::string::npos) << out;
  EXPECT_EQ(out.find("NETWORK_COMMON_AREA (26 bytes)\n", first + 1), std::string::npos);
  size_t unknown = out.find(" UNKNOWN (200)\n");
  size_t level = out.find(" NETWORK_COMMON_USERLEVEL (4 bytes)\n", unknown);
  size_t second = out.find(" NETWORK_COMMON_AREA (3 bytes)\n", level);
  EXPECT_TRUE(first < unknown && unknown != std::string::npos && level != std::string::npos &&
              second != std::string::npos)
      << out;
  EXPECT_FALSE(client.Read(milliseconds(200)).has_value());  // nothing answers these
  EXPECT_EQ(ExitCode(server->Stop(SIGTERM)), 0);
}

// The client's first packet: a start packet when admitted, nothing when the
// server accepted and closed the connection at once.
bool Admitted(int port) {
  Client client(port);
  return client.Read(milliseconds(2000)).has_value();
}

TEST(ServerTest, AllowListAdmitsAndRefusesAsItsPatternsSay) {
  struct Case {
    const char* allow_list;
    bool admitted;
  };
  const std::vector<Case> cases = {
      {"10.0.0.*,127.0.0.*", true},
      {"1*1", true},
      {"127.0.0.1 ,*", true},
      {"10.0.0.1, 127.0.0.1", false},
      {"10.0.0.1,,127.0.0.1", false},
      {"*0", false},
      {"*?", false},
      {"127.0.0.?", true},
  };
  std::vector<std::unique_ptr<Project>> projects;
  std::vector<std::unique_ptr<ServerProcess>> servers;
  for (const Case& c : cases) {
    projects.push_back(std::make_unique<Project>(
        "AllowedActiveXClientAddresses=" + std::string(c.allow_list) + "\n"));
    servers.push_back(projects.back()->Start());
  }
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(Admitted(projects[i]->port), cases[i].admitted) << cases[i].allow_list;
    if (!cases[i].admitted) {
      EXPECT_TRUE(WaitFor([&] {
        return Contains(projects[i]->ServerLog(),
                        "XSV Client address not allowed, refused: 127.0.0.1\n");
      })) << cases[i].allow_list;
    }
  }
}

TEST(ServerTest, HundredAndFirstClientIsRefusedUntilOneHasLeft) {
  Project project;
  auto server = project.Start();
  std::vector<std::unique_ptr<Client>> clients;
  for (int i = 0; i < 100; ++i) {
    clients.push_back(std::make_unique<Client>(project.port));
    ASSERT_EQ(clients.back()->ReadStartPackets().size(), 4u) << i;
  }
  Client refused(project.port);
  EXPECT_TRUE(refused.ClosedByServer());
  EXPECT_TRUE(WaitFor(
      [&] { return Contains(project.ServerLog(), "XSV Too many clients, refused: 127.0.0.1\n"); }));

  clients.front().reset();  // leaves; the next tick removes it
  EXPECT_TRUE(WaitFor([&] { return Admitted(project.port); }));
  EXPECT_EQ(ExitCode(server->Stop(SIGTERM)), 0);
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
  EXPECT_EQ(project.ServerLog().find("silent too long"),
            project.ServerLog().rfind("silent too long"));
  EXPECT_EQ(ExitCode(server->Stop(SIGTERM)), 0);
}

TEST(ServerTest, ForeignChangeOfAProfileFileIsReloadedWithinTenSeconds) {
  Project project;
  auto server = project.Start();
  ProfileRecord profile;
  profile.ProfileNumber = 12;
  profile.Name = "Written by the alarm server";
  WriteFile(project.dir + "Profiles/Profile_0012.dat", EncodeProfileFile(profile, nullptr));
  EXPECT_TRUE(WaitFor(
      [&] {
        return Contains(project.ServerLog(),
                        "XSV Data files changed by the alarm server, reloaded 1 profiles\n");
      },
      milliseconds(20000)))
      << project.ServerLog();
  EXPECT_FALSE(Contains(project.ServerLog(), " receivers\n"));
  EXPECT_EQ(ExitCode(server->Stop(SIGTERM)), 0);
}

// The records of a traffic file: per record the message type and direction.
struct TrafficRecord {
  std::string line;
  std::string peer;
  int direction = -1;
  int type = -1;
  std::string payload;
};

std::vector<TrafficRecord> ParseTraffic(const std::string& bytes) {
  std::vector<TrafficRecord> records;
  size_t pos = 0;
  auto u16 = [&](size_t at) {
    return static_cast<int>(static_cast<uint8_t>(bytes[at]) |
                            (static_cast<uint8_t>(bytes[at + 1]) << 8));
  };
  auto text = [&](std::string& out) {
    if (pos + 4 > bytes.size() || u16(pos) != 8) return false;
    size_t n = static_cast<size_t>(u16(pos + 2));
    if (pos + 4 + n > bytes.size()) return false;
    out = bytes.substr(pos + 4, n);
    pos += 4 + n;
    return true;
  };
  auto number = [&](int& out) {
    if (pos + 4 > bytes.size() || u16(pos) != 2) return false;
    out = static_cast<int16_t>(u16(pos + 2));
    pos += 4;
    return true;
  };
  while (pos < bytes.size()) {
    TrafficRecord r;
    if (!text(r.line) || !text(r.peer) || !number(r.direction) || !number(r.type) ||
        !text(r.payload)) {
      ADD_FAILURE() << "traffic file damaged at byte " << pos;
      break;
    }
    records.push_back(r);
  }
  return records;
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
  auto keep_alive = client.Read(milliseconds(5000));  // silence brings one, unrecorded
  ASSERT_TRUE(keep_alive.has_value());
  EXPECT_EQ(keep_alive->type, 0);
  client.Send(200, "");
  ASSERT_TRUE(WaitFor([&] { return ParseTraffic(project.Traffic()).size() == 2; }));
  auto records = ParseTraffic(project.Traffic());
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].type, 9);
  EXPECT_EQ(records[0].direction, 0);
  EXPECT_EQ(records[0].payload, EncodeString("on"));
  EXPECT_TRUE(
      records[0].line.ends_with(" <- " + records[0].peer + " NETWORK_COMMON_AREA (4 bytes)"))
      << records[0].line;
  EXPECT_TRUE(records[0].peer.starts_with("127.0.0.1:"));
  EXPECT_EQ(records[1].type, 200);
  EXPECT_EQ(records[1].payload, "");
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
