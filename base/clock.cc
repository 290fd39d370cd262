#include "base/clock.h"

namespace orlund {

namespace {

// Keeps every field two digits wide even for a clock that hands out nonsense.
int TwoDigits(int value) { return ((value % 100) + 100) % 100; }

// `when` with month, day and time of day brought into 0..99, so that each
// prints as two digits.
std::tm TwoDigitFields(const std::tm& when) {
  std::tm fields{};
  fields.tm_year = when.tm_year;
  fields.tm_mon = TwoDigits(when.tm_mon + 1) - 1;
  fields.tm_mday = TwoDigits(when.tm_mday);
  fields.tm_hour = TwoDigits(when.tm_hour);
  fields.tm_min = TwoDigits(when.tm_min);
  fields.tm_sec = TwoDigits(when.tm_sec);
  return fields;
}

std::string Format(const std::tm& fields, const char* format) {
  char text[32];
  return std::string(text, std::strftime(text, sizeof text, format, &fields));
}

}  // namespace

std::tm ToLocalTime(std::chrono::system_clock::time_point when) {
  std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm result{};
  ::localtime_r(&seconds, &result);
  return result;
}

std::tm LocalNow() { return ToLocalTime(std::chrono::system_clock::now()); }

std::string FormatLogDateTime(const std::tm& when) {
  std::tm fields = TwoDigitFields(when);
  fields.tm_year = 2000 + TwoDigits(when.tm_year + 1900) - 1900;
  return Format(fields, "%y-%m-%d %H:%M:%S");
}

std::string FormatFileDate(const std::tm& when) {
  // The year modulo 10000, four digits with leading zeros. strftime does not
  // pad a year below 1000, so it prints 10000 + year and the "1" is dropped.
  std::tm fields = TwoDigitFields(when);
  fields.tm_year = 10000 + (((when.tm_year + 1900) % 10000) + 10000) % 10000 - 1900;
  return Format(fields, "%Y%m%d").substr(1);
}

std::string FormatFileDateTime(const std::tm& when) {
  return FormatFileDate(when) + Format(TwoDigitFields(when), "-%H%M%S");
}

}  // namespace orlund
