#pragma once
// The two entry points of the alarm server's library that the server calls:
// queue a command for the alarm server, append a line to a log file. Neither
// reports failure to its caller.

#include <string>
#include <vector>

namespace orlund {

class AlarmLink {
 public:
  virtual ~AlarmLink() = default;
  virtual void SetCommandEntry(const std::string& command) = 0;
  virtual void SetSysLogEntry(const std::string& path, const std::string& line) = 0;
};

// Keeps every call in memory (tests, tools).
class RecordingAlarmLink : public AlarmLink {
 public:
  void SetCommandEntry(const std::string& command) override { commands.push_back(command); }
  void SetSysLogEntry(const std::string& path, const std::string& line) override {
    log.emplace_back(path, line);
  }
  std::vector<std::string> commands;
  std::vector<std::pair<std::string, std::string>> log;
};

}  // namespace orlund
