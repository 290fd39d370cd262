#pragma once
// Where the data store's own log lines go: the daily server log. Loaders and
// savers take a LogSink so that tests can record the lines in memory.

#include <string>
#include <vector>

namespace orlund {

class LogSink {
 public:
  virtual ~LogSink() = default;
  // Writes one line of the daily server log; never fails to its caller.
  virtual void ServerLog(const std::string& text) = 0;
};

// Keeps every line in memory (tests, tools).
class RecordingLog : public LogSink {
 public:
  void ServerLog(const std::string& text) override { lines.push_back(text); }
  std::vector<std::string> lines;
};

}  // namespace orlund
