#include "alarmlink/alarm_library.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace orlund {
namespace {

namespace fs = std::filesystem;

const std::string kBuiltLibrary = std::string(ORLUND_BIN_DIR) + "/liborlund2.so";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Names in the spool directory, sorted as the alarm server takes them.
std::vector<std::string> SpoolNames(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class AlarmLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/alarmlink_test_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    spool_ = dir_ / "Project" / "CommandQueue";
    ::setenv("ORLUND_COMMAND_QUEUE", spool_.c_str(), 1);
    ::unsetenv("ORLUND_ALARM_LIBRARY");
    handle_ = ::dlopen(kBuiltLibrary.c_str(), RTLD_NOW);
    ASSERT_NE(handle_, nullptr) << ::dlerror();
    set_command_ = reinterpret_cast<decltype(set_command_)>(::dlsym(handle_, "SetCommandEntry"));
    set_log_ = reinterpret_cast<decltype(set_log_)>(::dlsym(handle_, "SetSysLogEntry"));
    ASSERT_TRUE(set_command_ && set_log_);
  }
  void TearDown() override {
    if (handle_) ::dlclose(handle_);
    ::unsetenv("ORLUND_COMMAND_QUEUE");
    ::unsetenv("ORLUND_COMMAND_QUEUE_LIMIT");
    fs::remove_all(dir_);
  }
  AlarmLibrary::WarningSink CountWarnings() {
    return [this](std::string_view text) { warnings_.emplace_back(text); };
  }

  fs::path dir_;
  fs::path spool_;
  std::vector<std::string> warnings_;
  void* handle_ = nullptr;
  int32_t (*set_command_)(const char*, int32_t) = nullptr;
  int32_t (*set_log_)(const char*, const char*) = nullptr;
};

TEST_F(AlarmLibraryTest, QueuesCommandsByteForByteInOrder) {
  AlarmLibrary library(kBuiltLibrary, CountWarnings());
  const std::vector<std::string> commands = {"RR", "FT:\xfe\xff\r\nsecond line", "RP:-1"};
  for (const std::string& command : commands) library.SetCommandEntry(command);

  std::vector<std::string> names = SpoolNames(spool_);
  ASSERT_EQ(names.size(), 3u);  // no temporary file left behind
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(names[i].size(), 24u);
    EXPECT_EQ(names[i].find_first_not_of("0123456789"), 20u) << names[i];
    EXPECT_TRUE(names[i].ends_with(".cmd"));
    EXPECT_EQ(ReadFile(spool_ / names[i]), commands[i]);
  }
  EXPECT_TRUE(warnings_.empty());
}

TEST_F(AlarmLibraryTest, SequenceContinuesAboveWhatIsStillQueued) {
  // A queue left by an earlier run whose clock was far ahead.
  fs::create_directories(spool_);
  std::ofstream(spool_ / "18000000000000000000.cmd") << "RR";
  EXPECT_EQ(set_command_("RP:-1", 0), 0);
  EXPECT_EQ(SpoolNames(spool_).back(), "18000000000000000001.cmd");
}

TEST_F(AlarmLibraryTest, AFullSpoolRefusesCommandsUntilTheAlarmServerTakesOne) {
  ::setenv("ORLUND_COMMAND_QUEUE_LIMIT", "3", 1);
  AlarmLibrary library(kBuiltLibrary, CountWarnings());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(library.SetCommandEntry("RR"), kCommandQueued);
  EXPECT_EQ(library.SetCommandEntry("FT:lost"), kCommandQueueFull);
  std::vector<std::string> names = SpoolNames(spool_);
  ASSERT_EQ(names.size(), 3u);  // nothing written, no temporary file
  fs::remove(spool_ / names.front());
  EXPECT_EQ(library.SetCommandEntry("FT:kept"), kCommandQueued);
  EXPECT_TRUE(warnings_.empty());  // the caller reports a full spool itself
}

TEST_F(AlarmLibraryTest, ProcessesSharingOneSpoolLoseNothing) {
  constexpr int kProcesses = 3;
  constexpr int kCommands = 40;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t pid = ::fork();
    if (pid == 0) {
      int failures = 0;
      for (int i = 0; i < kCommands; ++i) {
        failures += set_command_(("C" + std::to_string(p * 1000 + i)).c_str(), 0) != 0;
      }
      ::_exit(failures);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::vector<std::string> names = SpoolNames(spool_);
  ASSERT_EQ(names.size(), static_cast<size_t>(kProcesses * kCommands));
  std::vector<int> last(kProcesses, -1);  // each process's commands keep their order
  for (const std::string& name : names) {
    int number = std::stoi(ReadFile(spool_ / name).substr(1));
    EXPECT_GT(number % 1000, last[number / 1000]) << name;
    last[number / 1000] = number % 1000;
  }
}

TEST_F(AlarmLibraryTest, EntryPointsRefuseNullAndMissingQueue) {
  EXPECT_NE(set_command_(nullptr, 0), 0);
  EXPECT_NE(set_log_(nullptr, "line"), 0);
  EXPECT_NE(set_log_((dir_ / "x.Log").c_str(), nullptr), 0);
  EXPECT_NE(set_log_("", "line"), 0);
  ::unsetenv("ORLUND_COMMAND_QUEUE");
  EXPECT_NE(set_command_("RR", 0), 0);
}

TEST_F(AlarmLibraryTest, AppendsOneLinePerCallCreatingDirectories) {
  AlarmLibrary library(kBuiltLibrary, CountWarnings());
  fs::path log = dir_ / "Project" / "LogFiles" / "deeper" / "20240305.Log";
  library.SetSysLogEntry(log, "24-03-05 14:07:09 XSV first");
  library.SetSysLogEntry(log, "-");
  library.SetSysLogEntry(log, "\xe9t\xe9");
  EXPECT_EQ(ReadFile(log), "24-03-05 14:07:09 XSV first\n-\n\xe9t\xe9\n");
  EXPECT_TRUE(warnings_.empty());
}

TEST_F(AlarmLibraryTest, MissingOrWrongLibraryLosesCallsWithOneWarning) {
  AlarmLibrary missing((dir_ / "nowhere" / "liborlund2.so").string(), CountWarnings());
  missing.SetCommandEntry("RR");
  missing.SetSysLogEntry((dir_ / "a.Log").string(), "line");
  missing.SetCommandEntry("RP:-1");
  EXPECT_FALSE(missing.Load());
  EXPECT_EQ(warnings_.size(), 1u);
  EXPECT_FALSE(fs::exists(spool_));
  EXPECT_FALSE(fs::exists(dir_ / "a.Log"));

  AlarmLibrary wrong("libm.so.6", CountWarnings());
  wrong.SetCommandEntry("RR");
  ASSERT_EQ(warnings_.size(), 2u);
  EXPECT_NE(warnings_[1].find("SetCommandEntry"), std::string::npos);
}

TEST_F(AlarmLibraryTest, FailedCallsWarnOnce) {
  AlarmLibrary library(kBuiltLibrary, CountWarnings());
  std::ofstream(dir_ / "plain_file") << "x";
  library.SetSysLogEntry((dir_ / "plain_file" / "a.Log").string(), "lost");
  library.SetSysLogEntry((dir_ / "plain_file" / "b.Log").string(), "lost");
  EXPECT_EQ(warnings_.size(), 1u);
  library.SetSysLogEntry((dir_ / "ok.Log").string(), "kept");
  EXPECT_EQ(ReadFile(dir_ / "ok.Log"), "kept\n");
}

TEST_F(AlarmLibraryTest, EnvironmentNamesTheOnlyLibraryTried) {
  ::setenv("ORLUND_ALARM_LIBRARY", kBuiltLibrary.c_str(), 1);
  AlarmLibrary found;
  EXPECT_TRUE(found.Load());
  EXPECT_EQ(found.loaded_path(), kBuiltLibrary);

  ::setenv("ORLUND_ALARM_LIBRARY", (dir_ / "missing.so").c_str(), 1);
  AlarmLibrary missing;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(missing.Load());
  EXPECT_NE(testing::internal::GetCapturedStderr().find("missing.so"), std::string::npos);
}

}  // namespace
}  // namespace orlund
