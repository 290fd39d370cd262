// The server executable end to end: start-up, start packets, framing,
// admission, keep-alive, reloads, the traffic switch and stopping, each on a
// scratch project over loopback.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "protocol/codec.h"
#include "protocol/traffic_log.h"
#include "store/profiles.h"
#include "store/users.h"
#include "testing/harness.h"

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
  const std::string empty_receiver_types = Bytes({4, 0, 0, 0, 2, 0, 0});

  // One packet in three pieces is answered once (a request without fields
  // ignores the payload it carries).
  std::string request = Frame(4, "ignored payload bytes");
  client.SendRaw(request.substr(0, 3));
  std::this_thread::sleep_for(milliseconds(30));
  client.SendRaw(request.substr(3, 10));
  std::this_thread::sleep_for(milliseconds(30));
  client.SendRaw(request.substr(13));
  auto answer = client.ReadSkippingKeepAlives();
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(Frame(answer->type, answer->payload), empty_receiver_types);

  // Two packets in one write are answered in order; server-to-client types
  // and an unknown type are listed, answered by nothing, and what follows
  // them is still handled.
  std::string burst;
  for (int type : {0, 1, 2, 3, 7}) burst += Frame(type, type == 7 ? Bytes({0, 0, 0, 0}) : "");
  client.SendRaw(burst + Frame(200, "") + Frame(62, "") + Frame(4, ""));
  answer = client.ReadSkippingKeepAlives();
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->type, 62);
  EXPECT_EQ(answer->payload, Bytes({0, 0}));
  answer = client.ReadSkippingKeepAlives();
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(Frame(answer->type, answer->payload), empty_receiver_types);
  EXPECT_FALSE(client.ReadSkippingKeepAlives(milliseconds(200)).has_value());

  std::string out = server->Stdout();
  EXPECT_TRUE(Contains(out, " UNKNOWN (200)\n")) << out;
  EXPECT_TRUE(Contains(out, " NETWORK_COMMON_USERLEVEL (4 bytes)\n")) << out;
  size_t first = out.find(" NETWORK_COMMON_RECEIVERTYPES (21 bytes)\n");
  ASSERT_NE(first, std::string::npos) << out;
  EXPECT_EQ(out.find(" NETWORK_COMMON_RECEIVERTYPES (21 bytes)\n", first + 1), std::string::npos);
  EXPECT_EQ(ExitCode(server->Stop(SIGTERM)), 0);
}

// A receiver entry as NETWORK_RECEIVER_UPDATE carries it.
std::string ReceiverEntry(const std::string& name,
                          const std::string& text = "pager on the night desk") {
  std::string entry =
      EncodeString(name) + EncodeInt16(-1) + EncodeInt16(0) + EncodeInt16(1) + EncodeString(text);
  for (int i = 0; i < 4; ++i) entry += EncodeString("");
  return entry;
}

// The commands queued for the alarm server, in queue order.
std::vector<std::string> QueuedCommands(const std::string& queue_dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(queue_dir, ec)) {
    if (entry.path().extension() == ".cmd") names.push_back(entry.path().string());
  }
  std::sort(names.begin(), names.end());
  std::vector<std::string> commands;
  for (const std::string& name : names) commands.push_back(ReadFile(name));
  return commands;
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

TEST(ServerTest, OwnSavesAreQueuedAndNotReloadedForeignChangesAre) {
  Project project;
  auto server = project.Start();
  Client client(project.port);
  ASSERT_EQ(client.ReadStartPackets().size(), 4u);
  client.Send(100, ReceiverEntry("Pager 1"));
  auto echo = client.ReadSkippingKeepAlives();
  ASSERT_TRUE(echo.has_value());
  EXPECT_EQ(echo->type, 100);
  // The next tick writes the receivers and queues the alarm server's reload.
  EXPECT_TRUE(WaitFor([&] { return QueuedCommands(project.home.path() + "queue").size() == 1; }));
  EXPECT_EQ(QueuedCommands(project.home.path() + "queue"), std::vector<std::string>{"RR"});
  EXPECT_TRUE(PathExists(project.dir + "Receivers/Receiver_0000.dat"));

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
  client.Send(8);
  auto profiles = client.ReadSkippingKeepAlives();
  ASSERT_TRUE(profiles.has_value());
  EXPECT_EQ(profiles->payload.substr(0, 2), Bytes({0, 1}));
  EXPECT_EQ(ExitCode(server->Stop(SIGTERM)), 0);
}

TEST(ServerTest, StopWritesPendingChangesBeforeItEnds) {
  Project project;
  auto server = project.Start();
  Client client(project.port);
  ASSERT_EQ(client.ReadStartPackets().size(), 4u);
  client.Send(100, ReceiverEntry("Pager 2"));
  ASSERT_TRUE(client.ReadSkippingKeepAlives().has_value());  // handled: the change is pending
  EXPECT_EQ(ExitCode(server->Stop(SIGHUP)), 0);
  EXPECT_TRUE(PathExists(project.dir + "Receivers/Receiver_0000.dat"));
  EXPECT_EQ(QueuedCommands(project.home.path() + "queue"), std::vector<std::string>{"RR"});
}

TEST(ServerTest, WritesBeyondTheFileSizeLimitFailTheSavesAndTheStopEndsWithStatus1) {
  Project project;
  auto server = project.Start();
  const rlimit limit{16384, RLIM_INFINITY};
  ASSERT_EQ(prlimit(server->pid(), RLIMIT_FSIZE, &limit, nullptr), 0);
  Client client(project.port);
  ASSERT_EQ(client.ReadStartPackets().size(), 4u);
  client.Send(100, ReceiverEntry("Pager 3", std::string(20000, 'x')));
  ASSERT_TRUE(client.ReadSkippingKeepAlives().has_value());
  auto failures = [&] {
    std::string log = project.ServerLog();
    size_t n = 0;
    for (size_t at = log.find("Receivers not saved: "); at != std::string::npos;
         at = log.find("Receivers not saved: ", at + 1)) {
      ++n;
    }
    return n;
  };
  ASSERT_TRUE(WaitFor([&] { return failures() > 0; })) << project.ServerLog();
  EXPECT_TRUE(Contains(project.ServerLog(), "File too large")) << project.ServerLog();
  EXPECT_EQ(ExitCode(server->Stop(SIGTERM)), 1);  // not ended by SIGXFSZ
  EXPECT_TRUE(
      Contains(server->Stderr(), "Orlund ActiveX Server could not save the changed data files!\n"));
  EXPECT_EQ(failures(), 1u);  // for every attempt, the stop's included
  EXPECT_TRUE(QueuedCommands(project.home.path() + "queue").empty());
  for (const auto& entry : std::filesystem::directory_iterator(project.dir + "Receivers")) {
    EXPECT_FALSE(entry.path().filename().string().starts_with(".~")) << entry.path();
  }
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
  auto keep_alive = client.Read(milliseconds(5000));  // silence brings one, unrecorded
  ASSERT_TRUE(keep_alive.has_value());
  EXPECT_EQ(keep_alive->type, 0);
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

  Project unreadable_data;
  WriteFile(unreadable_data.dir + "Receivers", "a file where the folder belongs");
  server = std::make_unique<ServerProcess>(unreadable_data.dir, unreadable_data.home.path());
  EXPECT_EQ(RunToEnd(*server), 1);
  EXPECT_TRUE(Contains(server->Stderr(), "Orlund ActiveX Server could not load the data files: '" +
                                             unreadable_data.dir +
                                             "Receivers/': Not a directory\n"))
      << server->Stderr();

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
