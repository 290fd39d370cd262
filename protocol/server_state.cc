#include "protocol/server_state.h"

#include "base/clock.h"

namespace orlund {

ServerClock ServerClock::System() {
  ServerClock clock;
  clock.local_now = LocalNow;
  clock.steady_now = [] { return std::chrono::steady_clock::now(); };
  return clock;
}

}  // namespace orlund
