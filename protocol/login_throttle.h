#pragma once
// Slows down password guessing, per peer address: each failed login in a row
// holds the address's next answer back longer, 0.25 s for the first and
// doubling up to 8 s. Attempts that arrive together queue up behind each
// other, so sending many at once gains nothing, yet no answer is ever held
// longer than 8 s, so a flood cannot lock out a right password. Every tenth failure in a row
// writes one server log line naming the address; a successful login forgets
// the address's failures.
//
// The throttle only says when an answer may go out; the caller waits for
// that time on a timer, never by blocking the event thread.

#include <chrono>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "base/log_sink.h"

namespace orlund {

class LoginThrottle {
 public:
  using Clock = std::chrono::steady_clock;
  using TimePoint = Clock::time_point;

  static constexpr std::chrono::milliseconds kFirstDelay{250};
  static constexpr std::chrono::milliseconds kLongestDelay{8000};
  static constexpr int32_t kFailuresPerLogLine = 10;
  // Addresses remembered at most; past that the longest-quiet one is forgotten.
  static constexpr size_t kMaxAddresses = 4096;

  // `log` must outlive the throttle.
  explicit LoginThrottle(LogSink& log) : log_(log) {}

  // Records a failed login from `address` at `now`; returns when its answer
  // may go out: after the answers already held back for the address, plus the
  // delay of this failure.
  TimePoint Failed(const std::string& address, TimePoint now);

  // Records a successful login; returns when its answer may go out (after
  // any answers still held back for the address) and forgets the failures.
  TimePoint Succeeded(const std::string& address, TimePoint now);

  // Failed logins in a row from `address`.
  int32_t Failures(const std::string& address) const;

 private:
  struct Entry {
    int32_t failures = 0;
    TimePoint held_until;
  };
  void MakeRoom();

  LogSink& log_;
  std::unordered_map<std::string, Entry> entries_;
};

}  // namespace orlund
