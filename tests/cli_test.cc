// orlund-cli against the real server over loopback: every subcommand, each
// run as its own process. The error exits and the watch command are tested
// against a fake server (tools/cli_commands_test.cc).

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "store/users.h"
#include "testing/harness.h"

namespace orlund::testing {
namespace {

using Json = nlohmann::ordered_json;

class CliAgainstServer : public ::testing::Test {
 protected:
  void StartServer(const std::string& active_x_extra = "") {
    std::filesystem::create_directories(project_.dir + "Profiles");
    std::filesystem::copy(SourceDir() + "examples/project/ReceiverTypes",
                          project_.dir + "ReceiverTypes");
    WriteFile(project_.dir + "Orlund_Server.ini",
              project_.ini + active_x_extra +
                  "\n[Calendar]\nDayType0=Public holiday\nDayType2=Plant shutdown\n");
    server_ = project_.Start();
  }
  CliResult Cli(const std::vector<std::string>& args, const std::string& env = "") {
    return RunCli(project_.port, args, project_.home.path(), env);
  }
  // The output of a run that must succeed.
  std::string Out(const std::vector<std::string>& args) {
    CliResult result = Cli(args);
    EXPECT_EQ(result.status, 0) << result.err;
    return result.out;
  }

  Project project_{"ActiveXKeepAliveInterval=60000\n"};
  std::unique_ptr<ServerProcess> server_;
};

TEST_F(CliAgainstServer, InfoLoginAndReadOnlyLists) {
  WriteFile(project_.dir + "Orlund_Users.dat",
            EncodeUsersFile(std::vector<UserRecord>{{"Ann", "Secret", 100}}));
  StartServer("RequireActiveXLogin=1\nActiveXMinimumChangeLevel=100\n");
  EXPECT_TRUE(Contains(Out({"info"}),
                       "Protocol version: 4\nProject path: " + project_.dir + "\nUser level: 0"));
  const CliResult login = Cli({"--password", "sECRET", "info", "--json"});
  EXPECT_EQ(login.err, "");  // no level line under --json
  EXPECT_EQ(Json::parse(login.out)["ini_sections"][2]["name"], "Calendar");
  const std::string password_file = project_.home.path() + "password";
  WriteFile(password_file, "secret\n");
  struct Case {
    std::string env;
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  for (const Case& c : std::vector<Case>{
           {"ORLUND_PASSWORD=Secret", {"info"}, 0, "User level: 100\n"},
           {"", {"--password-file", password_file, "info"}, 0, "User level: 100\n"},
           // "-" without a terminal: the first line of stdin (the shell's, redirected).
           {"exec <'" + password_file + "';", {"--password", "-", "info"}, 0, "User level: 100\n"},
           {"",
            {"--password", "wrong", "info"},
            9,
            "orlund-cli: login failed: the server requires a login and the password matches no "
            "user\n"},
           {"",
            {"--json", "--password", "wrong", "info"},
            9,
            "{\"error\":\"login failed: the server requires a login and the password matches no "
            "user\",\"exit_status\":9}\n"},
           {"",
            {"--password-file", "/nonexistent/pw", "info"},
            8,
            "orlund-cli: cannot open '/nonexistent/pw': No such file or directory\n"},
           {"",
            {"command", "RR"},
            10,
            "orlund-cli: the server carries out changes only from user level 100 up, this "
            "connection has level 0 (log in with --password)\n"}}) {
    const CliResult run = Cli(c.args, c.env);
    EXPECT_EQ(run.status, c.status) << c.err;
    EXPECT_EQ(run.err, c.err);
  }
  Out({"--password", "secret", "command", "RR"});
  // The server hands commands to the spool beside answering clients.
  EXPECT_TRUE(WaitFor([&] { return project_.Commands() == std::vector<std::string>{"RR"}; }))
      << project_.Commands().size();
  EXPECT_EQ(Json::parse(Out({"receiver-types", "--json"})).size(), 3u);
  EXPECT_TRUE(Contains(Out({"day-types"}),
                       " 6  Sunday\n 7  Public holiday\n 8  Half holiday\n 9  Plant shutdown\n"));
  EXPECT_TRUE(
      Contains(Out({"holidays"}), "2026-12-25  Christmas Day  (day type 7 Public holiday, shown)"));
}

TEST_F(CliAgainstServer, ReceiversAreSetListedAndRemoved) {
  StartServer();
  EXPECT_EQ(Cli({"set-receiver", "Anna"}).status, 2);  // new: needs --type
  Out({"set-receiver", "Anna", "--type", "2", "--text", "Night", "--setting0", "123"});
  EXPECT_EQ(Out({"set-receiver", "ANNA", "--flag", "-1"}),
            "Changed receiver ANNA: type 2, flag -1, word 0, text \"Night\", settings [\"123\", "
            "\"\", \"\", \"\"]\n");
  const Json receivers = Json::parse(Out({"receivers", "--json"}));
  ASSERT_EQ(receivers.size(), 1u);
  EXPECT_EQ(receivers[0]["flag"], -1);
  Out({"remove-receiver", "anna"});
  EXPECT_EQ(Out({"receivers"}), "No receivers.\n");
  EXPECT_EQ(Cli({"remove-receiver", "anna"}).err, "orlund-cli: no receiver named 'anna'\n");
}

TEST_F(CliAgainstServer, ProfilesImportExportAndRemove) {
  StartServer();
  const Json periods = Json::array({Json::array({"08:00", "12:00"})});
  const Json profile = {
      {"Name", "Day shift \xE2\x82\xAC"},
      {"WordTable", std::vector<int>(64, 7)},
      {"Schedule",
       {{"UseCalendar", true},
        {"DayTypes", {{{"DayType", 7}, {"Active", true}, {"Periods", periods}}}}}}};
  const std::string file = project_.home.path() + "profile.json";
  WriteFile(file, profile.dump());
  EXPECT_EQ(Out({"import-profile", file}), "Added profile Day shift \xE2\x82\xAC\n");
  // Day type 7 under the name the server's settings give it.
  const std::string list = Out({"profiles"});
  EXPECT_TRUE(Contains(list, "  Public holiday 08:00-12:00\n  Calendar: used\n")) << list;

  Out({"export-profile", "day SHIFT \xE2\x82\xAC", "-o", file});
  const Json exported = Json::parse(ReadFile(file));
  // Written in snake_case; the file above, in the older key names, read the same.
  EXPECT_EQ(exported["word_table"][63], 7);
  EXPECT_EQ(exported["schedule"]["day_types"][7]["periods"][0][1], "12:00");
  EXPECT_EQ(Out({"import-profile", file}), "Changed profile Day shift \xE2\x82\xAC\n");
  Out({"remove-profile", "DAY shift \xE2\x82\xAC"});
  EXPECT_EQ(Out({"profiles", "--json"}), "[]\n");
  EXPECT_EQ(Cli({"export-profile", "Nobody"}).status, 1);
}

TEST_F(CliAgainstServer, DayTypesTheCalendarMessagesAndCommands) {
  StartServer("StoreActiveXMessagesByServer=1\n");
  Out({"rename-day-type", "9", "Stocktaking"});
  const std::string calendar = project_.home.path() + "calendar.txt";
  WriteFile(calendar, "# plant\n2026-12-25 public holiday\n2026-01-01 7\n2027-03-01 stocktaking\n");
  Out({"set-calendar", calendar});
  EXPECT_EQ(Out({"calendar"}),
            "2026-01-01 Public holiday\n2026-12-25 Public holiday\n2027-03-01 Stocktaking\n");

  Out({"send-message", "--to", "Anna", "--to", "Bert", "Boiler pressure low"});
  EXPECT_EQ(Out({"last-message"}), "Receivers: Anna, Bert\nText: Boiler pressure low\n");
  Out({"--area", "Hall 2", "command", "RR"});
  const std::vector<std::string> commands{
      "FT:Anna\xFE"
      "Bert\xFE"
      "Boiler pressure low",
      "RR"};
  EXPECT_TRUE(WaitFor([&] { return project_.Commands() == commands; }))
      << project_.Commands().size();
}

}  // namespace
}  // namespace orlund::testing
