// orlund-cli against the real server over loopback: every subcommand, each
// run as its own process. The error exits are tested against a fake server.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "store/users.h"
#include "testing/harness.h"

namespace orlund::testing {
namespace {

using Json = nlohmann::ordered_json;
using std::chrono::milliseconds;

struct CliResult {
  int status = -1;  // exit status, or -1 when the client did not end in time
  std::string out;
  std::string err;
};

// The client running as a child process, its output going to files.
class CliProcess {
 public:
  CliProcess(const std::string& dir, int port, std::vector<std::string> args) {
    out_ = dir + "cli" + std::to_string(++count_) + ".out";
    err_ = out_.substr(0, out_.size() - 4) + ".err";
    args.insert(args.begin(), {BinDir() + "orlund-cli", "--port", std::to_string(port)});
    pid_ = fork();
    if (pid_ == 0) {
      dup2(open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
      dup2(open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
  }
  ~CliProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  // Waits for the exit; the client's own time limits keep this short.
  CliResult Wait(milliseconds limit = milliseconds(15000)) {
    CliResult result;
    int status = 0;
    if (WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, limit)) {
      pid_ = -1;
      result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    result.out = Out();
    result.err = ReadFile(err_);
    return result;
  }
  void Signal(int sig) { kill(pid_, sig); }
  std::string Out() const { return ReadFile(out_); }
  std::string Err() const { return ReadFile(err_); }

 private:
  static inline int count_ = 0;
  std::string out_, err_;
  pid_t pid_ = -1;
};

class CliAgainstServer : public ::testing::Test {
 protected:
  void SetUp() override {
    project_ = scratch_.path() + "project/";
    home_ = scratch_.path() + "home/";
    std::filesystem::create_directories(home_);
    std::filesystem::create_directories(project_ + "Profiles");
    std::filesystem::copy(SourceDir() + "examples/project/ReceiverTypes",
                          project_ + "ReceiverTypes");
  }

  void WriteIni(const std::string& active_x_extra = "") {
    WriteFile(project_ + "Orlund_Server.ini",
              "[General]\nLanguage=ENG\n\n[ActiveX]\nActiveXServerPort=" + std::to_string(port_) +
                  "\nAllowedActiveXClientAddresses=127.0.0.1\nActiveXKeepAliveInterval=5000\n" +
                  active_x_extra +
                  "\n[Calendar]\nDayType0=Public holiday\nDayType2=Plant shutdown\n");
  }

  void StartServer() {
    if (!PathExists(project_ + "Orlund_Server.ini")) WriteIni();
    server_ = std::make_unique<ServerProcess>(project_, home_);
    ASSERT_TRUE(server_->WaitListening(port_)) << server_->Stderr();
  }

  CliResult Cli(std::vector<std::string> args) {
    return CliProcess(scratch_.path(), port_, std::move(args)).Wait();
  }

  ScratchDir scratch_;
  std::string project_, home_;
  int port_ = FreePort();
  std::unique_ptr<ServerProcess> server_;
};

#define EXPECT_OK(result) EXPECT_EQ((result).status, 0) << (result).err

TEST_F(CliAgainstServer, InfoLoginAndReadOnlyLists) {
  WriteIni("RequireActiveXLogin=1\n");
  const std::vector<UserRecord> users = {{"Ann", "Secret", 100}};
  WriteFile(project_ + "Orlund_Users.dat", EncodeUsersFile(users));
  StartServer();

  const CliResult info = Cli({"info"});
  EXPECT_OK(info);
  EXPECT_NE(info.out.find("Protocol version: 4\nProject path: " + project_ + "\nUser level: 0"),
            std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("[Calendar]\nDayType0=Public holiday\n"), std::string::npos);

  const CliResult login = Cli({"--password", "sECRET", "info", "--json"});
  EXPECT_OK(login);
  EXPECT_EQ(login.err, "User level: 100\n");
  const Json json = Json::parse(login.out);
  EXPECT_EQ(json["user_level"], 100);
  EXPECT_EQ(json["ini_sections"][0]["name"], "General");

  const CliResult types = Cli({"receiver-types", "--json"});
  EXPECT_OK(types);
  EXPECT_EQ(Json::parse(types.out).size(), 3u);

  const CliResult names = Cli({"day-types"});
  EXPECT_OK(names);
  EXPECT_NE(names.out.find(" 0  Monday\n"), std::string::npos) << names.out;
  EXPECT_NE(names.out.find(" 7  Public holiday\n 8  Half holiday\n 9  Plant shutdown\n"),
            std::string::npos);

  const CliResult holidays = Cli({"holidays"});
  EXPECT_OK(holidays);
  EXPECT_NE(holidays.out.find("2026-12-25  Christmas Day  (day type 7 Public holiday, shown)"),
            std::string::npos)
      << holidays.out;
}

TEST_F(CliAgainstServer, ReceiversAreSetWatchedAndRemoved) {
  StartServer();
  CliProcess watch(scratch_.path(), port_, {"watch"});
  ASSERT_TRUE(WaitFor([&] { return watch.Err().find("Watching") != std::string::npos; }));

  EXPECT_EQ(Cli({"set-receiver", "Anna"}).status, 2);  // new: needs --type
  EXPECT_OK(Cli({"set-receiver", "Anna", "--type", "2", "--text", "Night", "--setting0", "123"}));
  const CliResult changed = Cli({"set-receiver", "ANNA", "--flag", "-1"});
  EXPECT_OK(changed);
  EXPECT_EQ(changed.out,
            "Changed receiver ANNA: type 2, flag -1, word 0, text \"Night\", settings [\"123\", "
            "\"\", \"\", \"\"]\n");

  const CliResult list = Cli({"receivers", "--json"});
  EXPECT_OK(list);
  const Json receivers = Json::parse(list.out);
  ASSERT_EQ(receivers.size(), 1u);
  EXPECT_EQ(receivers[0]["Name"], "ANNA");
  EXPECT_EQ(receivers[0]["ReceiverFlag"], -1);
  EXPECT_EQ(receivers[0]["Settings"][0], "123");

  EXPECT_OK(Cli({"remove-receiver", "anna"}));
  EXPECT_EQ(Cli({"receivers"}).out, "No receivers.\n");
  const CliResult again = Cli({"remove-receiver", "anna"});
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.err, "orlund-cli: no receiver named 'anna'\n");

  ASSERT_TRUE(WaitFor([&] { return watch.Out().find("101 ") != std::string::npos; }));
  watch.Signal(SIGINT);
  const CliResult watched = watch.Wait();
  EXPECT_EQ(watched.status, 0) << watched.err;
  EXPECT_NE(watched.out.find("100 NETWORK_RECEIVER_UPDATE Anna: type 2"), std::string::npos)
      << watched.out;
  EXPECT_NE(watched.out.find("100 NETWORK_RECEIVER_UPDATE ANNA: type 2, flag -1"),
            std::string::npos);
  EXPECT_NE(watched.out.find("101 NETWORK_RECEIVER_REMOVE ANNA"), std::string::npos);
}

TEST_F(CliAgainstServer, ProfilesImportExportAndRemove) {
  StartServer();
  Json profile = {{"ProfileNumber", 0},
                  {"Name", "Day shift \xE2\x82\xAC"},
                  {"TextA", "a"},
                  {"WordTable", std::vector<int>(64, 7)},
                  {"Schedule",
                   {{"UseCalendar", true},
                    {"DayTypes",
                     {{{"DayType", 0},
                       {"Periods", Json::array({Json::array({"07:00", "16:00"}),
                                                Json::array({"18:00", "24:00"})})}},
                      {{"DayType", 7},
                       {"Active", true},
                       {"Periods", Json::array({Json::array({"08:00", "12:00"})})}}}}}}};
  WriteFile(scratch_.path() + "in.json", profile.dump());
  const CliResult added = Cli({"import-profile", scratch_.path() + "in.json"});
  EXPECT_OK(added);
  EXPECT_EQ(added.out, "Added profile Day shift \x80\n");

  const CliResult list = Cli({"profiles"});
  EXPECT_OK(list);
  EXPECT_NE(list.out.find("  Mon            07:00-16:00, 18:00-24:00\n"), std::string::npos)
      << list.out;
  EXPECT_NE(list.out.find("  Public holiday 08:00-12:00\n"), std::string::npos);
  EXPECT_NE(list.out.find("  Calendar: used\n"), std::string::npos);

  const std::string out = scratch_.path() + "out.json";
  EXPECT_OK(Cli({"export-profile", "day SHIFT \xE2\x82\xAC", "-o", out}));
  const Json exported = Json::parse(ReadFile(out));
  EXPECT_EQ(exported["Name"], "Day shift \xE2\x82\xAC");
  EXPECT_EQ(exported["WordTable"][63], 7);
  EXPECT_EQ(exported["Schedule"]["DayTypes"][0]["Periods"][1][1], "24:00");
  EXPECT_EQ(exported["Schedule"]["DayTypes"][7]["Active"], true);

  // Importing the export changes the profile in place.
  const CliResult changed = Cli({"import-profile", out});
  EXPECT_OK(changed);
  EXPECT_EQ(changed.out, "Changed profile Day shift \x80\n");
  EXPECT_EQ(Json::parse(Cli({"profiles", "--json"}).out).size(), 1u);

  EXPECT_OK(Cli({"remove-profile", "DAY shift \xE2\x82\xAC"}));
  EXPECT_EQ(Cli({"profiles", "--json"}).out, "[]\n");
  EXPECT_EQ(Cli({"remove-profile", "Day shift \xE2\x82\xAC"}).status, 1);
  EXPECT_EQ(Cli({"export-profile", "Nobody"}).status, 1);
}

TEST_F(CliAgainstServer, DayTypesAndTheGlobalCalendar) {
  StartServer();
  EXPECT_OK(Cli({"rename-day-type", "9", "Stocktaking"}));
  EXPECT_NE(Cli({"day-types"}).out.find(" 9  Stocktaking\n"), std::string::npos);
  EXPECT_EQ(Cli({"rename-day-type", "23", "x"}).status, 2);

  WriteFile(scratch_.path() + "cal.txt",
            "# plant calendar\n2026-12-25 public holiday\n2026-01-01 7\n2027-03-01 stocktaking\n");
  const CliResult set = Cli({"set-calendar", scratch_.path() + "cal.txt"});
  EXPECT_OK(set);
  EXPECT_TRUE(PathExists(project_ + "Profiles/GlobalCalendar.dat"));
  const CliResult cal = Cli({"calendar"});
  EXPECT_OK(cal);
  EXPECT_EQ(cal.out,
            "2026-01-01 Public holiday\n2026-12-25 Public holiday\n2027-03-01 Stocktaking\n");
}

TEST_F(CliAgainstServer, MessagesAndCommands) {
  WriteIni("StoreActiveXMessagesByServer=1\n");
  StartServer();
  EXPECT_OK(Cli({"send-message", "--to", "Anna", "--to", "Bert", "Boiler pressure low"}));
  const CliResult last = Cli({"last-message", "--json"});
  EXPECT_OK(last);
  const Json message = Json::parse(last.out);
  EXPECT_EQ(message["receivers"], Json({"Anna", "Bert"}));
  EXPECT_EQ(message["text"], "Boiler pressure low");
  EXPECT_EQ(Cli({"last-message"}).out, "Receivers: Anna, Bert\nText: Boiler pressure low\n");

  EXPECT_OK(Cli({"--area", "Hall 2", "command", "RR"}));
  EXPECT_EQ(QueuedCommands(home_ + "queue"), (std::vector<std::string>{"FT:Anna\xFE"
                                                                       "Bert\xFE"
                                                                       "Boiler pressure low",
                                                                       "RR"}));
}

}  // namespace
}  // namespace orlund::testing
