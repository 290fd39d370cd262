// The server executable against what hostile or careless surroundings do:
// a stdout nobody reads any more, and a client guessing passwords.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "protocol/codec.h"
#include "store/users.h"
#include "testing/harness.h"

namespace orlund::testing {
namespace {

using std::chrono::milliseconds;

int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

TEST(HostileClientsTest, ClosedStdoutNeverStopsTheServer) {
  Project project;
  ServerProcess server(project.dir, project.home.path(), {}, true);
  ASSERT_TRUE(server.StdoutPipeShows("Orlund ActiveX Server - version 1.00.06\n"));
  server.CloseStdoutPipe();
  // Every packet, connection and switch of the traffic file adds a line for
  // stdout, far more than a pipe holds.
  for (int round = 0; round < 3; ++round) {
    Client client(project.port);
    ASSERT_EQ(client.ReadStartPackets().size(), 4u);
    for (int i = 0; i < 300; ++i) client.Send(4, std::string(200, 'x'));
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(client.ReadSkippingKeepAlives().has_value()) << i;
    server.Signal(SIGUSR1);
  }
  EXPECT_TRUE(server.Running());
  EXPECT_EQ(ExitCode(server.Stop(SIGTERM)), 0);
}

// The ports of the clients in the order they connected, from the packet list.
std::vector<std::string> ClientPorts(const std::string& out) {
  std::vector<std::string> ports;
  static const std::regex connected("<> 127\\.0\\.0\\.1:(\\d+) \\(client connected\\)");
  for (std::sregex_iterator it(out.begin(), out.end(), connected), end; it != end; ++it) {
    ports.push_back((*it)[1]);
  }
  return ports;
}

TEST(HostileClientsTest, WrongPasswordsAreAnsweredLateAndInOrderWhileOthersAreServed) {
  Project project("RequireActiveXLogin=1\n");
  WriteFile(project.dir + "Orlund_Users.dat",
            EncodeUsersFile(std::vector<UserRecord>{UserRecord{"ann", "secret", 9}}));
  auto server = project.Start();
  Client guesser(project.port);
  ASSERT_EQ(guesser.ReadStartPackets().size(), 4u);
  Client other(project.port);
  ASSERT_EQ(other.ReadStartPackets().size(), 4u);

  // Three wrong passwords (answered after 0.25, 0.5 and 1 s more) and a
  // request behind them, in one write; a long area packet between them makes
  // the server stop reading the guesser until its answers have gone.
  guesser.SendRaw(Frame(6, EncodeString("a")) + Frame(6, EncodeString("b")) +
                  Frame(6, EncodeString("c")) + Frame(9, std::string(300000, 'x')) + Frame(4, ""));
  other.Send(4);
  ASSERT_TRUE(other.ReadSkippingKeepAlives().has_value());
  for (int i = 0; i < 3; ++i) {
    auto level = guesser.ReadSkippingKeepAlives(milliseconds(10000));
    ASSERT_TRUE(level.has_value());
    EXPECT_EQ(level->type, 7);
    EXPECT_EQ(level->payload, Bytes({0, 0, 0, 0}));
  }
  auto types = guesser.ReadSkippingKeepAlives();
  ASSERT_TRUE(types.has_value());
  EXPECT_EQ(types->type, 4);

  // The other client's answer went out before the guesser's, although its
  // request came later.
  const std::string out = server->Stdout();
  const std::vector<std::string> ports = ClientPorts(out);
  ASSERT_EQ(ports.size(), 2u) << out;
  auto answer_to = [&](const std::string& port) {
    return out.find("-> 127.0.0.1:" + port + " NETWORK_COMMON_RECEIVERTYPES");
  };
  EXPECT_LT(answer_to(ports[1]), answer_to(ports[0])) << out;
  EXPECT_EQ(ExitCode(server->Stop(SIGTERM)), 0);
}

}  // namespace
}  // namespace orlund::testing
