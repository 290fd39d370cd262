#pragma once
// The clients of orlund-stress. Innocent clients behave as operator clients
// do: they connect, take their start packets, ask for the receiver types and
// the receivers (types 4 and 5) and check every answer, then leave and come
// back. Hostile clients each misbehave in one way. Every client is a thread
// of its own that stops by itself at its plan's end; the counters are shared
// and atomic.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "tools/stress_socket.h"

namespace orlund::stress {

// The ways a hostile client misbehaves.
enum class Hostility {
  kChurn,            // connects and leaves at once, in every manner, over and over
  kStalledReader,    // asks for the largest answers and never reads them
  kPartialPackets,   // sends packets cut short, slowly or never finished
  kTableFiller,      // fills the receiver table with the largest receivers
  kSlowReader,       // asks for the receivers and reads them slowly
  kPasswordGuesser,  // sends wrong passwords as fast as it can
  kCommandFlood,     // hands the alarm server commands and messages nonstop
  kMalformed,        // unknown types, fields cut short, lengths past the limit
};
inline constexpr int kHostilityCount = 8;
const char* HostilityName(Hostility hostility);

struct HostileFigures {
  std::atomic<uint64_t> clients{0};        // threads
  std::atomic<uint64_t> connections{0};    // connections made
  std::atomic<uint64_t> not_connected{0};  // connects that failed
  std::atomic<uint64_t> closed_by_server{0};
  std::atomic<uint64_t> packets_sent{0};
  std::atomic<uint64_t> bytes_sent{0};
  std::atomic<uint64_t> answers{0};  // packets received that answer a request
};

struct InnocentFigures {
  std::atomic<uint64_t> attempts{0};       // connections tried
  std::atomic<uint64_t> admitted{0};       // connections that got their start packets
  std::atomic<uint64_t> not_connected{0};  // connects that failed or took too long
  std::atomic<uint64_t> requests{0};
  std::atomic<uint64_t> answered{0};
  std::atomic<uint64_t> lost{0};    // requests without an answer: none in time, or closed
  std::atomic<uint64_t> closed{0};  // of them, closed by the server
  std::atomic<uint64_t> wrong{0};   // answers of the wrong type or that do not decode
  std::mutex mutex;
  std::vector<double> answer_ms;  // time from request to answer
};

struct StressRun {
  int port = 58658;
  Clock::time_point hostile_end;   // hostile clients stop here
  Clock::time_point innocent_end;  // innocent clients stop here
  // Text length of each field of a receiver the table filler sends, and how
  // many it adds at most (0: until the table is full).
  size_t receiver_text = 32767;
  int max_receivers = 0;
  InnocentFigures innocent;
  HostileFigures hostile[kHostilityCount];
  // Names of the receivers the table fillers added, for the clean-up.
  std::mutex added_mutex;
  std::vector<std::string> added_receivers;

  HostileFigures& figures(Hostility h) { return hostile[static_cast<int>(h)]; }
};

// One innocent client, until run.innocent_end.
void RunInnocentClient(StressRun& run, int index);
// One hostile client of kind `hostility`, until run.hostile_end.
void RunHostileClient(StressRun& run, Hostility hostility, int index);
// Removes the receivers the table fillers added; false when that failed.
bool RemoveAddedReceivers(StressRun& run);

}  // namespace orlund::stress
