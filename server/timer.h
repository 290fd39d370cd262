#pragma once
// Timer_KeepAlive: the server's one periodic job, run every second. A tick
// removes connections whose socket is gone, drops clients silent for too
// long, sends keep-alives to quiet ones, starts the deferred saves, and
// every ten seconds reloads a data table another program changed on disk.
// Tests call TimerTick with a server state whose clocks they set.

#include <cstdint>

#include "protocol/server_state.h"
#include "server/deferred_saves.h"

namespace orlund {

inline constexpr int32_t kTimerIntervalMs = 1000;
inline constexpr int32_t kPollIntervalMs = 10000;
// The largest ActiveXKeepAliveInterval whose doubled value in seconds fits
// 16 bits.
inline constexpr int32_t kMaxKeepAliveIntervalMs = 16383749;

// Whole seconds of silence after which a client gets keep-alives (S1) and
// after which it is dropped (more than S2), from the interval in ms; each
// rounded to the nearest integer, halves to even (1500 gives 2 and 3).
struct KeepAliveLimits {
  int32_t send_after_s = 0;
  int32_t drop_after_s = 0;
};
KeepAliveLimits KeepAliveLimitsFor(int32_t interval_ms);

// One tick: the connection sweep, the pending saves, and the directory poll
// every kPollIntervalMs (counted in PollElapsed). A directory is not polled
// while its table has changes not yet saved or a save of it runs.
void TimerTick(ServerState& state, DeferredSaves& saves);

}  // namespace orlund
