#pragma once
// Console sessions: a random token in a cookie stands for one login. A
// session ends after 12 hours without a request, on logout, or when the
// table is full and it is the longest unused. Each session also carries a
// second random token that every state-changing request must repeat, so
// that another site cannot make the operator's browser change anything.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace orlund {

// `count` random bytes from getrandom(2), as 2 * count lowercase hex digits.
std::string RandomHex(size_t count);

struct ConsoleSession {
  std::string token;       // the cookie value
  std::string form_token;  // repeated by every state-changing request
  std::string user_name;   // empty when no login is required
  int32_t level = 0;
  // Made because no login was required; worthless once one is.
  bool without_login = false;
  std::chrono::steady_clock::time_point last_used;
};

class ConsoleSessions {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  static constexpr std::chrono::hours kIdleLimit{12};
  static constexpr size_t kMaxSessions = 256;

  // `random_hex` makes the tokens (RandomHex outside tests).
  explicit ConsoleSessions(std::function<std::string(size_t)> random_hex = RandomHex)
      : random_hex_(std::move(random_hex)) {}

  // A new session, 128-bit tokens.
  const ConsoleSession& Create(std::string user_name, int32_t level, bool without_login,
                               TimePoint now);
  // The session of `token`, its idle time restarted; nullptr for an unknown
  // token or a session idle for more than kIdleLimit, which is forgotten.
  const ConsoleSession* Find(std::string_view token, TimePoint now);
  void Remove(std::string_view token);
  size_t size() const { return sessions_.size(); }

 private:
  std::function<std::string(size_t)> random_hex_;
  std::unordered_map<std::string, ConsoleSession> sessions_;
};

}  // namespace orlund
