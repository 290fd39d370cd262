#include "alarmlink/alarm_library.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

const std::string kBuiltLibrary = std::string(ORLUND_BIN_DIR) + "/liborlund2.so";

class AlarmLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("ORLUND_COMMAND_QUEUE", (dir_.path() + "Project/CommandQueue").c_str(), 1);
    ::unsetenv("ORLUND_ALARM_LIBRARY");
    handle_ = ::dlopen(kBuiltLibrary.c_str(), RTLD_NOW);
    ASSERT_NE(handle_, nullptr) << ::dlerror();
    set_command_ = reinterpret_cast<decltype(set_command_)>(::dlsym(handle_, "SetCommandEntry"));
    set_log_ = reinterpret_cast<decltype(set_log_)>(::dlsym(handle_, "SetSysLogEntry"));
    ASSERT_TRUE(set_command_ && set_log_);
  }
  void TearDown() override {
    if (handle_) ::dlclose(handle_);
    ::unsetenv("ORLUND_COMMAND_QUEUE_LIMIT");
  }
  AlarmLibrary::WarningSink Warnings() {
    return [this](std::string_view text) { warnings_.emplace_back(text); };
  }
  // The spooled commands, in the order the alarm server takes them.
  std::vector<std::string> Queue() const {
    std::vector<std::string> commands;
    for (const std::string& name : dir_.List("Project/CommandQueue")) {
      EXPECT_EQ(name.find_first_not_of("0123456789"), 20u) << name;
      EXPECT_TRUE(name.ends_with(".cmd")) << name;
      commands.push_back(dir_.Get("Project/CommandQueue/" + name));
    }
    return commands;
  }

  TestTempDir dir_;
  std::vector<std::string> warnings_;
  void* handle_ = nullptr;
  int32_t (*set_command_)(const char*, int32_t) = nullptr;
  int32_t (*set_log_)(const char*, const char*) = nullptr;
};

TEST_F(AlarmLibraryTest, QueuesCommandsAndAppendsLogLinesByteForByte) {
  AlarmLibrary library(kBuiltLibrary, Warnings());
  const std::vector<std::string> commands = {"RR", "FT:\xfe\xff\r\nsecond line", "RP:-1"};
  for (const std::string& command : commands) library.SetCommandEntry(command);
  EXPECT_EQ(Queue(), commands);  // no temporary file left behind

  // A queue left by an earlier run whose clock was far ahead.
  dir_.Put("Project/CommandQueue/18000000000000000000.cmd", "RR");
  EXPECT_EQ(set_command_("RP:-1", 0), 0);
  EXPECT_EQ(dir_.List("Project/CommandQueue").back(), "18000000000000000001.cmd");

  const std::string log = dir_.path() + "Project/LogFiles/deeper/20240305.Log";
  for (const char* line : {"24-03-05 14:07:09 XSV first", "-", "\xe9t\xe9"}) {
    library.SetSysLogEntry(log, line);
  }
  EXPECT_EQ(dir_.Get("Project/LogFiles/deeper/20240305.Log"),
            "24-03-05 14:07:09 XSV first\n-\n\xe9t\xe9\n");
  EXPECT_TRUE(warnings_.empty());
}

TEST_F(AlarmLibraryTest, AFullSpoolRefusesCommandsUntilTheAlarmServerTakesOne) {
  ::setenv("ORLUND_COMMAND_QUEUE_LIMIT", "3", 1);
  AlarmLibrary library(kBuiltLibrary, Warnings());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(library.SetCommandEntry("RR"), kCommandQueued);
  EXPECT_EQ(library.SetCommandEntry("FT:lost"), kCommandQueueFull);
  std::vector<std::string> names = dir_.List("Project/CommandQueue");
  ASSERT_EQ(names.size(), 3u);  // nothing written, no temporary file
  std::filesystem::remove(dir_.path() + "Project/CommandQueue/" + names.front());
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
  const std::vector<std::string> commands = Queue();
  ASSERT_EQ(commands.size(), static_cast<size_t>(kProcesses * kCommands));
  std::vector<int> last(kProcesses, -1);  // each process's commands keep their order
  for (const std::string& command : commands) {
    int number = std::stoi(command.substr(1));
    EXPECT_GT(number % 1000, last[number / 1000]) << command;
    last[number / 1000] = number % 1000;
  }
}

TEST_F(AlarmLibraryTest, FailuresLoseTheCallWithOneWarningEach) {
  EXPECT_NE(set_command_(nullptr, 0), 0);
  EXPECT_NE(set_log_(nullptr, "line"), 0);
  EXPECT_NE(set_log_((dir_.path() + "x.Log").c_str(), nullptr), 0);
  EXPECT_NE(set_log_("", "line"), 0);

  AlarmLibrary library(kBuiltLibrary, Warnings());
  dir_.Put("plain_file", "x");
  library.SetSysLogEntry(dir_.path() + "plain_file/a.Log", "lost");
  library.SetSysLogEntry(dir_.path() + "plain_file/b.Log", "lost");
  EXPECT_EQ(warnings_.size(), 1u);
  library.SetSysLogEntry(dir_.path() + "ok.Log", "kept");
  EXPECT_EQ(dir_.Get("ok.Log"), "kept\n");

  AlarmLibrary missing(dir_.path() + "nowhere/liborlund2.so", Warnings());
  missing.SetCommandEntry("RR");
  missing.SetSysLogEntry(dir_.path() + "a.Log", "line");
  EXPECT_FALSE(missing.Load());
  EXPECT_EQ(warnings_.size(), 2u);
  EXPECT_FALSE(dir_.Has("Project") || dir_.Has("a.Log"));
  AlarmLibrary wrong("libm.so.6", Warnings());
  wrong.SetCommandEntry("RR");
  ASSERT_EQ(warnings_.size(), 3u);
  EXPECT_NE(warnings_[2].find("SetCommandEntry"), std::string::npos);

  ::unsetenv("ORLUND_COMMAND_QUEUE");
  EXPECT_NE(set_command_("RR", 0), 0);
}

TEST_F(AlarmLibraryTest, EnvironmentNamesTheOnlyLibraryTried) {
  ::setenv("ORLUND_ALARM_LIBRARY", kBuiltLibrary.c_str(), 1);
  AlarmLibrary found;
  EXPECT_TRUE(found.Load());
  // The library beside this test would load without the variable.
  ::setenv("ORLUND_ALARM_LIBRARY", (dir_.path() + "missing.so").c_str(), 1);
  AlarmLibrary missing;
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(missing.Load());
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("missing.so"), std::string::npos);
}

}  // namespace
}  // namespace orlund
