#include "server/command_line.h"

#include "gtest/gtest.h"

namespace orlund {
namespace {

// What a command line gave: the directories and the switches that are set.
std::string Parsed(const std::vector<std::string>& args) {
  const CommandLine line = ParseCommandLine(args);
  std::string text =
      line.project_directory.value_or("-") + " " + line.application_directory.value_or("-");
  for (auto [set, name] : {std::pair{line.install, " I"},
                           {line.uninstall, " U"},
                           {line.help, " help"},
                           {line.version, " version"}}) {
    if (set) text += name;
  }
  return line.error.empty() ? text : "error: " + line.error;
}

TEST(CommandLineTest, SwitchesIgnoreCaseAndValuesKeepTheirs) {
  EXPECT_EQ(Parsed({"/path:/Data/Project One ", "/APPPATH:  /opt/Prog"}),
            "/Data/Project One /opt/Prog");
  EXPECT_EQ(Parsed({"/PATH:/usr/I/U"}), "/usr/I/U -");  // values may hold what looks like switches
  EXPECT_EQ(Parsed({"/PATH:/a", "/PATH:/b"}), "/a -");  // the first of a repeated switch counts
  EXPECT_EQ(Parsed({"/u", "/I"}), "- - I U");
  EXPECT_EQ(Parsed({"--help"}), "- - help");
  EXPECT_EQ(Parsed({"--version"}), "- - version");
  for (const char* bad : {"/X", "/PATH", "/Ux", "-u", "--HELP", "project"}) {
    EXPECT_NE(Parsed({bad}).find(bad, 7), std::string::npos) << bad;  // the error names it
  }
  EXPECT_TRUE(Parsed({"/PATH:   "}).starts_with("error: "));
  EXPECT_TRUE(Parsed({"/APPPATH:"}).starts_with("error: "));
}

}  // namespace
}  // namespace orlund
