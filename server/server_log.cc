#include "server/server_log.h"

#include <utility>

namespace orlund {

std::string ServerLogPath(const std::string& project_directory, const std::tm& now) {
  return project_directory + "LogFiles/" + FormatFileDate(now) + ".Log";
}

std::string ServerLogEntry(const std::string& text, const std::tm& now) {
  if (text == "-") return text;
  return FormatLogDateTime(now) + " XSV " + text;
}

ServerLogWriter::ServerLogWriter(AlarmLink& link, std::string project_directory, LocalClock clock)
    : link_(link), project_directory_(std::move(project_directory)), clock_(std::move(clock)) {}

void ServerLogWriter::ServerLog(const std::string& text) {
  try {
    // One reading of the clock for both the file name and the line, so a
    // line written at midnight is dated like the file it lands in.
    std::tm now = clock_ ? clock_() : LocalNow();
    const std::string entry = ServerLogEntry(text, now);
    link_.SetSysLogEntry(ServerLogPath(project_directory_, now), entry);
    if (listener_) listener_(entry);
  } catch (...) {
    // The line is lost; the caller goes on.
  }
}

}  // namespace orlund
