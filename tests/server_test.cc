// The server executable end to end: start-up and its refusals, start packets,
// the traffic switch, stopping with saves and the service unit, each on a
// scratch project over loopback. Admission, keep-alives and reloads are the
// timer's and the accept path's unit tests.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "protocol/messages.h"
#include "protocol/traffic_log.h"
#include "testing/harness.h"

namespace orlund::testing {
namespace {

int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

std::string GroupOf(const std::string& path) {
  struct stat status {};
  stat(path.c_str(), &status);
  const group* entry = getgrgid(status.st_gid);
  return entry ? entry->gr_name : std::to_string(status.st_gid);
}

// Runs the server on `project` to its end: exit code, stdout, stderr.
CliResult RunToEnd(const Project& project, std::vector<std::string> args = {}) {
  ServerProcess server(project.dir, project.home.path(), std::move(args));
  int status = ExitCode(server.WaitExit());
  return {status, server.Stdout(), server.Stderr()};
}

TEST(ServerTest, StartPacketsByteExactAndInOrderAndStartLinesLogged) {
  Project project("RequireActiveXLogin=1\nActiveXServerAddress=127.0.0.1\n");
  auto server = project.Start();
  Client client(project.port);
  auto start = client.ReadStartPackets();
  ASSERT_EQ(start.size(), 4u);
  const std::vector<std::string> expected = {
      EncodePacket(1, Bytes({0, 4})), EncodePacket(2, EncodeString(project.dir)),
      EncodePacket(
          3,
          EncodeInt16(2) + EncodeString("General") +
              EncodeString(std::string("Language=ENG\0", 13)) + EncodeString("ActiveX") +
              EncodeString("ActiveXServerPort=" + std::to_string(project.port) +
                           std::string("\0RequireActiveXLogin=1\0ActiveXServerAddress=127.0.0.1\0"
                                       "ActiveXLanguage=ENG\0",
                                       74))),
      EncodePacket(7, Bytes({0, 0, 127, 255}))};  // no users: no login possible
  for (size_t i = 0; i < 4; ++i)
    EXPECT_EQ(EncodePacket(start[i].type, start[i].payload), expected[i]);
  EXPECT_TRUE(
      Contains(project.ServerLog(), " XSV Orlund ActiveX Server started (version 1.00.06)\n"));
  EXPECT_TRUE(Contains(project.ServerLog(),
                       " XSV Listening on 127.0.0.1:" + std::to_string(project.port) +
                           ", project " + project.dir +
                           ", loaded 0 receiver types, 0 receivers, 0 profiles, 0 users\n"));
  EXPECT_TRUE(
      Contains(project.ServerLog(),
               "XSV Login required but no users loaded: every client gets user level 32767"));
  EXPECT_EQ(ExitCode(server->Stop(SIGTERM)), 0);
}

std::string Receiver(const std::string& name, const std::string& text = "") {
  return Encode(ReceiverEntry{name, -1, 0, 1, text, {}});
}

// The only end-to-end save through the server's writer thread: each stopping
// signal writes the pending change and tells the alarm server.
TEST(ServerTest, StopWritesPendingChangesBeforeItEnds) {
  // SIGHUP is a closed terminal: it must not lose a change either.
  for (const auto& [stop, name] : std::vector<std::pair<int, std::string>>{
           {SIGTERM, "SIGTERM"}, {SIGINT, "SIGINT"}, {SIGHUP, "SIGHUP"}}) {
    Project project;
    auto server = project.Start();
    Client client(project.port);
    ASSERT_EQ(client.ReadStartPackets().size(), 4u);
    client.Send(100, Receiver("Pager 2"));
    ASSERT_TRUE(client.ReadSkippingKeepAlives().has_value());  // handled: the change is pending
    EXPECT_EQ(ExitCode(server->Stop(stop)), 0) << stop;
    EXPECT_TRUE(PathExists(project.dir + "Receivers/Receiver_0000.dat")) << stop;
    const std::string stopped = "Orlund ActiveX Server stopped by " + name + ", 1 save written\n";
    EXPECT_TRUE(Contains(server->Stdout(), stopped) && Contains(project.ServerLog(), stopped))
        << server->Stdout();
    EXPECT_EQ(project.Commands(), std::vector<std::string>{"RR"});
  }
}

// What a failed save leaves on disk and tells the alarm server is the unit
// tests' of the timer and the save faults; here the real write fails.
TEST(ServerTest, WritesBeyondTheFileSizeLimitFailTheSavesAndTheStopEndsWithStatus1) {
  Project project;
  auto server = project.Start();
  const rlimit limit{16384, RLIM_INFINITY};
  ASSERT_EQ(prlimit(server->pid(), RLIMIT_FSIZE, &limit, nullptr), 0);
  Client client(project.port);
  ASSERT_EQ(client.ReadStartPackets().size(), 4u);
  client.Send(100, Receiver("Pager 3", std::string(20000, 'x')));
  ASSERT_TRUE(client.ReadSkippingKeepAlives().has_value());
  const std::string failed = "Receivers not saved: ";
  ASSERT_TRUE(WaitFor([&] { return Contains(project.ServerLog(), failed); }));
  EXPECT_TRUE(Contains(project.ServerLog(), "File too large")) << project.ServerLog();
  EXPECT_EQ(ExitCode(server->Stop(SIGTERM)), 1);  // not ended by SIGXFSZ
  EXPECT_TRUE(
      Contains(server->Stderr(), "Orlund ActiveX Server could not save the changed data files!\n"));
  const std::string log = project.ServerLog();
  EXPECT_EQ(log.find(failed), log.rfind(failed));  // one line for every attempt, the stop's too
}

TEST(ServerTest, TrafficFileFollowsTheSignalSwitch) {
  Project project;
  auto server = project.Start();
  Client client(project.port);
  ASSERT_EQ(client.ReadStartPackets().size(), 4u);
  // Signals of one kind do not queue: each toggle is awaited before the next.
  auto toggle = [&](const char* state) {
    const std::string line = std::string("Save continous to debug file: ") + state + "\n";
    const size_t before = server->Stdout().rfind(line);
    server->Signal(SIGUSR1);
    return WaitFor([&] { return server->Stdout().rfind(line) != before; });
  };
  ASSERT_TRUE(toggle("on"));
  ASSERT_TRUE(toggle("off"));
  client.Send(9, EncodeString("off"));
  ASSERT_TRUE(WaitFor([&] { return Contains(server->Stdout(), "NETWORK_COMMON_AREA"); }));
  ASSERT_TRUE(toggle("on"));
  client.Send(200, "");
  // One record per packet, built from the very line the list showed.
  std::string expected;
  EXPECT_TRUE(WaitFor([&] {
    const std::string out = server->Stdout();
    const size_t end = out.rfind(" UNKNOWN (200)\n");
    if (end == std::string::npos) return false;
    const size_t begin = out.rfind('\n', end) + 1;
    const std::string line = out.substr(begin, end + 14 - begin);
    const size_t at = line.find(" <- ") + 4;
    expected =
        TrafficRecord(line, line.substr(at, line.find(' ', at) - at), DirectionReceived, 200, "");
    return !project.Traffic().empty();
  }));
  EXPECT_EQ(project.Traffic(), expected);
  EXPECT_EQ(ExitCode(server->Stop(SIGINT)), 0);
}

TEST(ServerTest, StartUpRefusalsNameTheirReasonAndFail) {
  Project first;
  auto running = first.Start();
  Project same_port, no_language("", "XYZ");
  WriteFile(same_port.dir + "Orlund_Server.ini",
            "[General]\nLanguage=ENG\n[ActiveX]\nActiveXServerPort=" + std::to_string(first.port));
  Project console_taken("ActiveXConsolePort=" + std::to_string(first.port) + "\n");
  Project bad_address("ActiveXServerAddress=localhost\n");
  // A settings file that cannot be read is named, not taken for a missing language.
  Project ini_directory;
  std::filesystem::remove(ini_directory.dir + "Orlund_Server.ini");
  std::filesystem::create_directory(ini_directory.dir + "Orlund_Server.ini");
  const std::vector<std::pair<const Project*, std::string>> cases = {
      {&first, "Orlund ActiveX Server is already started!\n"},
      {&same_port, "port " + std::to_string(first.port) + " is already in use!\n"},
      {&no_language, "Language files not selected or not available!\n"},
      {&console_taken, "Orlund ActiveX Server console port " + std::to_string(first.port) +
                           " on 127.0.0.1 cannot be used: "},
      {&ini_directory, "cannot read its settings file '" + ini_directory.dir +
                           "Orlund_Server.ini': it is a directory\n"},
      {&bad_address, "address 'localhost' (ActiveXServerAddress) is not a numeric IPv4 address"}};
  for (const auto& [project, reason] : cases) {
    const CliResult run = RunToEnd(*project);
    EXPECT_NE(run.status, 0) << reason;
    EXPECT_TRUE(Contains(run.err, reason)) << run.err;
    // A refused start never logs that it started.
    if (project != &first) {
      EXPECT_FALSE(Contains(project->ServerLog(), "started")) << reason;
    }
  }
}

TEST(ServerTest, InstallAndUninstallTheServiceUnit) {
  if (PathExists("/run/systemd/system")) GTEST_SKIP() << "would change this machine's systemd";
  Project project;
  const std::string setting = project.home.path() +
                              "registry/SYSTEM/CurrentControlSet/Services/OrlundActiveXServer/"
                              "Parameters/RunAsService";
  const CliResult install = RunToEnd(project, {"/i", "/USER:nobody"});
  const std::string unit = project.home.path() + "systemd/OrlundActiveXServer.service";
  EXPECT_EQ(install.out, "Orlund ActiveX Server service installation succeeded\nUnit: " + unit +
                             " (runs as nobody:" + GroupOf(project.dir) +
                             ")\nNext: copy it to /etc/systemd/system/, then systemctl "
                             "daemon-reload && systemctl enable --now "
                             "OrlundActiveXServer.service\n");
  EXPECT_TRUE(Contains(ReadFile(unit), "ExecStart=\"" + BinDir() +
                                           "orlund-activex-server\" \"/PATH:" + project.dir +
                                           "\"\nUser=nobody\n"));
  EXPECT_EQ(ReadFile(setting), "1");
  // Not started by systemd: a foreground run, with the packet list, whatever
  // the stored flag says.
  auto server = project.Start();
  Client client(project.port);
  ASSERT_EQ(client.ReadStartPackets().size(), 4u);
  EXPECT_TRUE(WaitFor([&] { return Contains(server->Stdout(), "NETWORK_COMMON_USERLEVEL"); }));
  server.reset();
  const CliResult uninstall = RunToEnd(project, {"/U"});
  EXPECT_EQ(uninstall.out, "Orlund ActiveX Server service uninstalled successfully\n");
  EXPECT_FALSE(PathExists(project.home.path() + "systemd/OrlundActiveXServer.service"));
  EXPECT_EQ(ReadFile(setting), "0");
  const CliResult again = RunToEnd(project, {"/U"});
  EXPECT_NE(again.status, 0);
  EXPECT_EQ(again.out, "Orlund ActiveX Server failed to uninstall as service\n");
}

}  // namespace
}  // namespace orlund::testing
