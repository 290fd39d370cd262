#pragma once
// The two entry points of the alarm server's library that the server calls:
// queue a command for the alarm server, append a line to a log file. A
// command's result tells whether it was queued; a log line's is not told.

#include <cstdint>
#include <string>
#include <vector>

namespace orlund {

// Results of SetCommandEntry.
inline constexpr int32_t kCommandQueued = 0;
// The spool already holds as many commands as it may; nothing was queued.
inline constexpr int32_t kCommandQueueFull = 5;
// The library could not be loaded; nothing was queued.
inline constexpr int32_t kAlarmLibraryMissing = -1;

class AlarmLink {
 public:
  virtual ~AlarmLink() = default;
  // kCommandQueued, or why the command was not queued.
  virtual int32_t SetCommandEntry(const std::string& command) = 0;
  virtual void SetSysLogEntry(const std::string& path, const std::string& line) = 0;
};

// Keeps every call in memory (tests, tools).
class RecordingAlarmLink : public AlarmLink {
 public:
  int32_t SetCommandEntry(const std::string& command) override {
    if (command_result == kCommandQueued) commands.push_back(command);
    return command_result;
  }
  void SetSysLogEntry(const std::string& path, const std::string& line) override {
    log.emplace_back(path, line);
  }
  std::vector<std::string> commands;
  int32_t command_result = kCommandQueued;  // what every call returns
  std::vector<std::pair<std::string, std::string>> log;
};

}  // namespace orlund
