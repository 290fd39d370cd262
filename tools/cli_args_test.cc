#include "tools/cli_args.h"

#include <gtest/gtest.h>

#include "tools/cli_error.h"

namespace orlund {
namespace {

// What a parse gave: the subcommand ("-" for none), its arguments in [] and
// options, then every global setting that is not the default.
std::string Parsed(const std::vector<std::string>& args) {
  const CliOptions o = ParseCliArguments(args);
  const CliOptions defaults;
  std::string text = o.command.empty() ? "-" : o.command;
  for (const auto& a : o.arguments) text += " [" + a + "]";
  for (const auto& [name, values] : o.values)
    for (const auto& v : values) text += " --" + name + "=" + v;
  if (o.host != defaults.host) text += " host=" + o.host;
  if (o.port != defaults.port) text += " port=" + std::to_string(o.port);
  if (o.timeout != defaults.timeout) text += " timeout=" + std::to_string(o.timeout.count()) + "ms";
  if (o.password) text += " password=" + *o.password;
  if (o.area) text += " area=" + *o.area;
  if (o.json) text += " json";
  if (o.help) text += " help";
  if (o.version) text += " version";
  return text;
}

TEST(CliArguments, AcceptedCommandLines) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--host", "::1", "receivers", "--json", "--port=1234", "--timeout", "0.25",
        "--password=", "--area", "Hall 2"},
       "receivers host=::1 port=1234 timeout=250ms password= area=Hall 2 json"},
      {{"receivers", "--port", "99", "--port", "010"}, "receivers port=10"},
      {{"set-receiver", "Anna", "--type", "-3", "--text=a=b", "--setting2", "--x"},
       "set-receiver [Anna] --setting2=--x --text=a=b --type=-3"},
      {{"send-message", "--to", "A", "--to", "B", "--", "--urgent--"},
       "send-message [--urgent--] --to=A --to=B"},
      {{"export-profile", "P", "-o", "p.json"}, "export-profile [P] --output=p.json"},
      {{"rename-day-type", "-1", "X"}, "rename-day-type [-1] [X]"},
      {{"command", "receivers"}, "command [receivers]"},
      {{"--help"}, "- help"},
      {{"set-calendar", "--help"}, "set-calendar help"},
      {{"-h", "render-calendar"}, "render-calendar help"},
      {{"help", "watch"}, "watch help"},
      {{"--version"}, "- version"},
  };
  for (const auto& [args, parsed] : cases)
    EXPECT_EQ(Parsed(args), parsed) << ::testing::PrintToString(args);
}

TEST(CliArguments, BadCommandLinesAreUsageErrors) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {},
           {"frobnicate"},
           {"help", "frobnicate"},
           {"receivers", "info"},
           {"receivers", "extra"},
           {"receivers", "--type", "1"},
           {"set-receiver"},
           {"set-receiver", "A", "--type", "1", "--type", "2"},
           {"set-receiver", "A", "--type", "0x10"},
           {"send-message", "hello"},
           {"send-message", "--to", "A"},
           {"render-calendar", "--month", "2040-01"},
           {"render-calendar", "--month", "1999-12"},
           {"rename-day-type", "1"},
           {"receivers", "--port", "70000"},
           {"receivers", "--port", "12x"},
           {"receivers", "--timeout", "0"},
           {"receivers", "--timeout", "soon"},
           {"receivers", "--host"},
           {"receivers", "--host="},
           {"receivers", "-x"},
           {"receivers", "--json=1"},
       }) {
    try {
      ParseCliArguments(args);
      ADD_FAILURE() << "accepted " << ::testing::PrintToString(args);
    } catch (const CliError& e) {
      EXPECT_EQ(e.code(), kExitUsage) << ::testing::PrintToString(args);
    }
  }
}

TEST(CliArguments, HelpTextsAndInt16Range) {
  EXPECT_NE(ToolHelp().find("\n  import-profile   add or change a profile"), std::string::npos);
  EXPECT_TRUE(
      CommandHelp("send-message")
          .starts_with("Usage: orlund-cli [OPTIONS] send-message --to NAME [--to NAME...] TEXT\n"));
  EXPECT_EQ(ParseInt16("-32768", "n"), -32768);
  EXPECT_EQ(ParseInt16("32767", "n"), 32767);
  for (const char* bad : {"32768", "", "1.5", "0x10", " 1"})
    EXPECT_THROW(ParseInt16(bad, "n"), CliError) << bad;
}

}  // namespace
}  // namespace orlund
