#pragma once
// The daily server log: one line per call in ProjectDirectory "LogFiles/"
// YYYYMMDD ".Log", written through the alarm server's library. A line is
// "YY-MM-DD HH:NN:SS XSV " and the text; the text "-" is written alone as the
// separator. Nothing in logging ever reaches the caller as a failure.

#include <functional>
#include <string>
#include <utility>

#include "alarmlink/alarm_link.h"
#include "base/clock.h"
#include "base/log_sink.h"

namespace orlund {

class ServerLogWriter : public LogSink {
 public:
  // `project_directory` ends with "/". `link` must outlive the writer.
  ServerLogWriter(AlarmLink& link, std::string project_directory, LocalClock clock = LocalNow);

  void ServerLog(const std::string& text) override;

  // Hands every entry, as written to the file, also to `listener` (the
  // operator console's live server log); an empty one stops the calls.
  void SetListener(std::function<void(const std::string& entry)> listener) {
    listener_ = std::move(listener);
  }

 private:
  AlarmLink& link_;
  std::string project_directory_;
  LocalClock clock_;
  std::function<void(const std::string& entry)> listener_;
};

// The file path and the entry that ServerLog(text) writes at time `now`.
std::string ServerLogPath(const std::string& project_directory, const std::tm& now);
std::string ServerLogEntry(const std::string& text, const std::tm& now);

}  // namespace orlund
