#include "server/service_unit.h"

#include <cstdlib>
#include <filesystem>

#include "gtest/gtest.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

ServiceUnitSettings Settings(const std::string& executable, const std::string& project) {
  return {executable, project, project + "CommandQueue", "/var/lib/orlund", "ann", "staff"};
}

TEST(ServiceUnitTest, UnitRunsTheExecutableOnTheProjectAsItsUser) {
  std::string unit = ServiceUnitText(Settings("/opt/orlund/orlund-activex-server", "/srv/p/"));
  for (const char* line :
       {"\nDescription=Orlund ActiveX Server\n", "\nType=notify\n",
        "\nExecStart=\"/opt/orlund/orlund-activex-server\" \"/PATH:/srv/p/\"\n", "\nUser=ann\n",
        "\nGroup=staff\n", "\nReadWritePaths=\"/srv/p/\" \"-/srv/p/CommandQueue\"\n",
        "\nNoNewPrivileges=yes\n", "\nProtectSystem=strict\n", "\nProtectHome=yes\n",
        "\nPrivateTmp=yes\n", "\nRestart=on-failure\n", "\nWantedBy=multi-user.target\n"})
    EXPECT_NE(unit.find(line), std::string::npos) << line;
}

TEST(ServiceUnitTest, PathIsQuotedAgainstSystemdExpansion) {
  std::string unit = ServiceUnitText(Settings("/opt/my dir/100%$HOME\\\"x\n", "/p$/"));
  EXPECT_NE(unit.find("\nExecStart=\"/opt/my dir/100%%$$HOME\\\\\\\"x\\x0a\" \"/PATH:/p$$/\"\n"),
            std::string::npos)
      << unit;
  EXPECT_NE(unit.find("\nReadWritePaths=\"/p$/\""), std::string::npos) << unit;
}

// systemd's own checks, where its tools are installed: the unit verifies
// and its exposure is rated at most 2.5 ("OK").
TEST(ServiceUnitTest, SystemdAcceptsTheUnitAndRatesItSafe) {
  if (std::system("systemd-analyze --version >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "systemd-analyze is not installed";
  TestTempDir dir;
  const std::string unit_path = dir.path() + "OrlundActiveXServer.service";
  ServiceUnitSettings settings = Settings("/bin/true", dir.path());
  settings.user = "root";
  settings.group = "root";
  testing::WriteFile(unit_path, ServiceUnitText(settings));
  const std::string report = dir.path() + "report";
  EXPECT_EQ(
      std::system(
          ("systemd-analyze verify --man=no '" + unit_path + "' >'" + report + "' 2>&1").c_str()),
      0)
      << testing::ReadFile(report);
  EXPECT_EQ(std::system(("systemd-analyze security --offline=yes --threshold=25 '" + unit_path +
                         "' >'" + report + "' 2>&1")
                            .c_str()),
            0)
      << testing::ReadFile(report);
}

}  // namespace
}  // namespace orlund
