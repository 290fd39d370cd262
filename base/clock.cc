#include "base/clock.h"

#include <cstdio>

namespace orlund {

namespace {

// Keeps every field two digits wide even for a clock that hands out nonsense.
int TwoDigits(int value) { return ((value % 100) + 100) % 100; }

}  // namespace

std::tm ToLocalTime(std::chrono::system_clock::time_point when) {
  std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm result{};
  ::localtime_r(&seconds, &result);
  return result;
}

std::tm LocalNow() { return ToLocalTime(std::chrono::system_clock::now()); }

std::string FormatLogDateTime(const std::tm& when) {
  char text[32];
  std::snprintf(text, sizeof(text), "%02d-%02d-%02d %02d:%02d:%02d", TwoDigits(when.tm_year + 1900),
                TwoDigits(when.tm_mon + 1), TwoDigits(when.tm_mday), TwoDigits(when.tm_hour),
                TwoDigits(when.tm_min), TwoDigits(when.tm_sec));
  return text;
}

std::string FormatFileDate(const std::tm& when) {
  char text[32];
  int year = (((when.tm_year + 1900) % 10000) + 10000) % 10000;
  std::snprintf(text, sizeof(text), "%04d%02d%02d", year, TwoDigits(when.tm_mon + 1),
                TwoDigits(when.tm_mday));
  return text;
}

}  // namespace orlund
