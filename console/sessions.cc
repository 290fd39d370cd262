#include "console/sessions.h"

#include <sys/random.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <utility>

namespace orlund {

namespace {
constexpr size_t kTokenBytes = 16;
}  // namespace

std::string RandomHex(size_t count) {
  std::string bytes(count, '\0');
  size_t filled = 0;
  while (filled < count) {
    const ssize_t n = ::getrandom(bytes.data() + filled, count - filled, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error("getrandom failed");
    }
    filled += static_cast<size_t>(n);
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * count);
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    hex.push_back(kHex[b >> 4]);
    hex.push_back(kHex[b & 0xF]);
  }
  return hex;
}

const ConsoleSession& ConsoleSessions::Create(std::string user_name, int32_t level,
                                              bool without_login, TimePoint now) {
  if (sessions_.size() >= kMaxSessions) {
    const auto oldest = std::min_element(
        sessions_.begin(), sessions_.end(),
        [](const auto& a, const auto& b) { return a.second.last_used < b.second.last_used; });
    sessions_.erase(oldest);
  }
  ConsoleSession session;
  session.token = random_hex_(kTokenBytes);
  session.form_token = random_hex_(kTokenBytes);
  session.user_name = std::move(user_name);
  session.level = level;
  session.without_login = without_login;
  session.last_used = now;
  std::string key = session.token;
  return sessions_.insert_or_assign(std::move(key), std::move(session)).first->second;
}

const ConsoleSession* ConsoleSessions::Find(std::string_view token, TimePoint now) {
  const auto found = sessions_.find(std::string(token));
  if (found == sessions_.end()) return nullptr;
  if (now - found->second.last_used > kIdleLimit) {
    sessions_.erase(found);
    return nullptr;
  }
  found->second.last_used = now;
  return &found->second;
}

void ConsoleSessions::Remove(std::string_view token) { sessions_.erase(std::string(token)); }

}  // namespace orlund
