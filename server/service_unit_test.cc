#include "server/service_unit.h"

#include "gtest/gtest.h"

namespace orlund {
namespace {

TEST(ServiceUnitTest, UnitRunsTheExecutableAsANotifyService) {
  EXPECT_EQ(ServiceUnitFileName(), "OrlundActiveXServer.service");
  std::string unit = ServiceUnitText("/opt/orlund/orlund-activex-server");
  EXPECT_NE(unit.find("\nDescription=Orlund ActiveX Server\n"), std::string::npos);
  EXPECT_NE(unit.find("\nType=notify\n"), std::string::npos);
  EXPECT_NE(unit.find("\nExecStart=\"/opt/orlund/orlund-activex-server\"\n"), std::string::npos);
  EXPECT_NE(unit.find("\nWantedBy=multi-user.target\n"), std::string::npos);
}

TEST(ServiceUnitTest, PathIsQuotedAgainstSystemdExpansion) {
  std::string unit = ServiceUnitText("/opt/my dir/100%$HOME\\\"x\n");
  EXPECT_NE(unit.find("\nExecStart=\"/opt/my dir/100%%$$HOME\\\\\\\"x\\x0a\"\n"), std::string::npos)
      << unit;
}

}  // namespace
}  // namespace orlund
