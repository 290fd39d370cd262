#include "protocol/server_state.h"

namespace orlund {

ServerClock ServerClock::System() {
  ServerClock clock;
  clock.local_now = [] {
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return local;
  };
  clock.steady_now = [] { return std::chrono::steady_clock::now(); };
  return clock;
}

}  // namespace orlund
