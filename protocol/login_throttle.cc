#include "protocol/login_throttle.h"

#include <algorithm>

namespace orlund {

LoginThrottle::TimePoint LoginThrottle::Failed(const std::string& address, TimePoint now) {
  if (entries_.find(address) == entries_.end() && entries_.size() >= kMaxAddresses) MakeRoom();
  Entry& entry = entries_[address];
  const TimePoint start = std::max(now, entry.held_until);
  ++entry.failures;
  // 0.25 s doubled per earlier failure; the shift stops before it overflows.
  const int32_t doublings = std::min(entry.failures - 1, 16);
  const auto delay =
      std::min<Clock::duration>(kFirstDelay * (int64_t{1} << doublings), kLongestDelay);
  // Queued answers never wait longer than the longest delay: a flood of
  // guesses from one address must not keep a real user there (behind the
  // same router, say) waiting for hours for a right password's answer.
  entry.held_until = std::min(start + delay, now + kLongestDelay);
  if (entry.failures % kFailuresPerLogLine == 0) {
    log_.ServerLog("Failed logins from " + address + ": " + std::to_string(entry.failures) +
                   " in a row");
  }
  return entry.held_until;
}

LoginThrottle::TimePoint LoginThrottle::Succeeded(const std::string& address, TimePoint now) {
  const auto found = entries_.find(address);
  if (found == entries_.end()) return now;
  const TimePoint answer = std::max(now, found->second.held_until);
  entries_.erase(found);
  return answer;
}

int32_t LoginThrottle::Failures(const std::string& address) const {
  const auto found = entries_.find(address);
  return found == entries_.end() ? 0 : found->second.failures;
}

void LoginThrottle::MakeRoom() {
  const auto quietest = std::min_element(
      entries_.begin(), entries_.end(),
      [](const auto& a, const auto& b) { return a.second.held_until < b.second.held_until; });
  if (quietest != entries_.end()) entries_.erase(quietest);
}

}  // namespace orlund
