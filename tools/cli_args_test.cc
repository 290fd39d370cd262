#include "tools/cli_args.h"

#include <gtest/gtest.h>

#include "tools/cli_error.h"

namespace orlund {
namespace {

CliExitCode ErrorOf(const std::vector<std::string>& args) {
  try {
    ParseCliArguments(args);
  } catch (const CliError& e) {
    return e.code();
  }
  return kExitOk;
}

TEST(CliArguments, DefaultsAndGlobalOptionsOnEitherSide) {
  const CliOptions plain = ParseCliArguments({"receivers"});
  EXPECT_EQ(plain.host, "127.0.0.1");
  EXPECT_EQ(plain.port, 58658);
  EXPECT_EQ(plain.timeout, std::chrono::seconds(5));
  EXPECT_FALSE(plain.json);
  EXPECT_FALSE(plain.password);

  const CliOptions o = ParseCliArguments(
      {"--host", "::1", "receivers", "--json", "--port=1234", "--timeout", "0.25", "--password="});
  EXPECT_EQ(o.host, "::1");
  EXPECT_EQ(o.port, 1234);
  EXPECT_EQ(o.timeout, std::chrono::milliseconds(250));
  EXPECT_TRUE(o.json);
  EXPECT_EQ(o.password, "");
  EXPECT_EQ(o.command, "receivers");
}

TEST(CliArguments, SubcommandArgumentsAndOptions) {
  const CliOptions r = ParseCliArguments(
      {"set-receiver", "Anna", "--type", "-3", "--text=a=b", "--setting2", "--x"});
  EXPECT_EQ(r.arguments, std::vector<std::string>{"Anna"});
  EXPECT_EQ(r.Value("type"), "-3");
  EXPECT_EQ(r.Value("text"), "a=b");
  EXPECT_EQ(r.Value("setting2"), "--x");  // a value is taken whatever it looks like
  EXPECT_FALSE(r.Value("flag"));

  const CliOptions m =
      ParseCliArguments({"send-message", "--to", "A", "--to", "B", "--", "--urgent--"});
  EXPECT_EQ(m.values.at("to"), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(m.arguments, std::vector<std::string>{"--urgent--"});

  EXPECT_EQ(ParseCliArguments({"export-profile", "P", "-o", "p.json"}).Value("output"), "p.json");
  EXPECT_EQ(ParseCliArguments({"rename-day-type", "-1", "X"}).arguments[0], "-1");
}

TEST(CliArguments, HelpSkipsTheChecks) {
  EXPECT_TRUE(ParseCliArguments({"--help"}).help);
  const CliOptions sub = ParseCliArguments({"set-calendar", "--help"});
  EXPECT_TRUE(sub.help);
  EXPECT_EQ(sub.command, "set-calendar");
  EXPECT_EQ(ParseCliArguments({"help", "watch"}).command, "watch");
  EXPECT_NE(CommandHelp("set-calendar").find("YYYY-MM-DD"), std::string::npos);
  EXPECT_NE(CommandHelp("command").find("type 4"), std::string::npos);
  EXPECT_NE(ToolHelp().find("import-profile"), std::string::npos);
}

TEST(CliArguments, BadCommandLinesAreUsageErrors) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {},
           {"frobnicate"},
           {"receivers", "extra"},
           {"receivers", "--type", "1"},
           {"set-receiver"},
           {"set-receiver", "A", "--type", "1", "--type", "2"},
           {"send-message", "hello"},
           {"rename-day-type", "1"},
           {"receivers", "--port", "70000"},
           {"receivers", "--port", "12x"},
           {"receivers", "--timeout", "0"},
           {"receivers", "--timeout", "soon"},
           {"receivers", "--host"},
           {"receivers", "-x"},
           {"receivers", "--json=1"},
       })
    EXPECT_EQ(ErrorOf(args), kExitUsage) << ::testing::PrintToString(args);
}

TEST(CliArguments, Int16Range) {
  EXPECT_EQ(ParseInt16("-32768", "n"), -32768);
  EXPECT_EQ(ParseInt16("32767", "n"), 32767);
  for (const char* bad : {"32768", "", "1.5", "0x10", " 1"})
    EXPECT_THROW(ParseInt16(bad, "n"), CliError) << bad;
}

}  // namespace
}  // namespace orlund
