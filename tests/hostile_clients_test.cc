// The server executable against what hostile or careless surroundings do:
// a stdout nobody reads any more.

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace orlund::testing
