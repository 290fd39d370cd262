// The server executable against what hostile or careless surroundings do:
// a stdout nobody reads any more, and a client guessing passwords.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/codec.h"
#include "store/users.h"
#include "testing/harness.h"

namespace orlund::testing {
namespace {

using std::chrono::milliseconds;

TEST(HostileClientsTest, ClosedStdoutNeverStopsTheServer) {
  Project project;
  int out[2];
  ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
  ServerProcess server(project.dir, project.home.path(), {}, out[1]);
  close(out[1]);
  std::string seen;
  char chunk[256];
  ssize_t n = 0;
  while (!Contains(seen, "version 1.00.06\n") && (n = read(out[0], chunk, sizeof chunk)) > 0) {
    seen.append(chunk, static_cast<size_t>(n));
  }
  close(out[0]);  // the terminal went away
  // Every packet, connection and switch of the traffic file adds a line for
  // stdout, far more than a pipe holds.
  for (int round = 0; round < 3; ++round) {
    Client client(project.port);
    ASSERT_EQ(client.ReadStartPackets().size(), 4u);
    for (int i = 0; i < 300; ++i) client.Send(4, std::string(200, 'x'));
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(client.ReadSkippingKeepAlives().has_value()) << i;
    server.Signal(SIGUSR1);
  }
  EXPECT_EQ(server.Stop(SIGTERM), 0);
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
  guesser.SendRaw(EncodePacket(6, EncodeString("a")) + EncodePacket(6, EncodeString("b")) +
                  EncodePacket(6, EncodeString("c")) + EncodePacket(9, std::string(300000, 'x')) +
                  EncodePacket(4, ""));
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
  auto answer_to = [&](const Client& client) {
    return out.find("-> 127.0.0.1:" + std::to_string(client.LocalPort()) +
                    " NETWORK_COMMON_RECEIVERTYPES");
  };
  EXPECT_LT(answer_to(other), answer_to(guesser)) << out;
  EXPECT_EQ(server->Stop(SIGTERM), 0);
}

}  // namespace
}  // namespace orlund::testing
