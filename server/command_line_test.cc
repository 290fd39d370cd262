#include "server/command_line.h"

#include "gtest/gtest.h"

namespace orlund {
namespace {

TEST(CommandLineTest, DirectorySwitchesIgnoreCaseAndKeepTheValue) {
  CommandLine line = ParseCommandLine({"/path:/Data/Project One ", "/APPPATH:  /opt/Prog"});
  EXPECT_TRUE(line.error.empty());
  EXPECT_EQ(line.project_directory, "/Data/Project One");
  EXPECT_EQ(line.application_directory, "/opt/Prog");
  EXPECT_FALSE(line.install || line.uninstall || line.help || line.version);
}

TEST(CommandLineTest, ValuesMayHoldSlashesThatLookLikeSwitches) {
  CommandLine line = ParseCommandLine({"/PATH:/usr/I/U"});
  EXPECT_EQ(line.project_directory, "/usr/I/U");
  EXPECT_FALSE(line.install || line.uninstall);
}

TEST(CommandLineTest, ServiceAndInformationSwitches) {
  CommandLine line = ParseCommandLine({"/u", "/I"});
  EXPECT_TRUE(line.error.empty());
  EXPECT_TRUE(line.uninstall);
  EXPECT_TRUE(line.install);
  EXPECT_TRUE(ParseCommandLine({"--help"}).help);
  EXPECT_TRUE(ParseCommandLine({"--version"}).version);
  EXPECT_FALSE(ParseCommandLine({}).project_directory.has_value());
}

TEST(CommandLineTest, FirstValueOfARepeatedSwitchCounts) {
  EXPECT_EQ(ParseCommandLine({"/PATH:/a", "/PATH:/b"}).project_directory, "/a");
}

TEST(CommandLineTest, UnknownOrEmptyArgumentsAreErrors) {
  for (const char* bad : {"/X", "/PATH", "/Ux", "-u", "--HELP", "project"}) {
    CommandLine line = ParseCommandLine({bad});
    EXPECT_NE(line.error.find(bad), std::string::npos) << bad << ": " << line.error;
  }
  EXPECT_FALSE(ParseCommandLine({"/PATH:   "}).error.empty());
  EXPECT_FALSE(ParseCommandLine({"/APPPATH:"}).error.empty());
}

TEST(CommandLineTest, ArgvSkipsTheProgramName) {
  const char* argv[] = {"orlund-activex-server", "/path:/p", nullptr};
  CommandLine line = ParseCommandLine(2, argv);
  EXPECT_EQ(line.project_directory, "/p");
  EXPECT_NE(CommandLineUsage("srv").find("/APPPATH:"), std::string::npos);
}

TEST(CommandLineTest, TrailingSlashIsAddedOnce) {
  EXPECT_EQ(WithTrailingSlash("/data"), "/data/");
  EXPECT_EQ(WithTrailingSlash("/data/"), "/data/");
}

}  // namespace
}  // namespace orlund
