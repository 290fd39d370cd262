#pragma once
// The deferred saves of the receiver and profile tables. The event thread
// takes an immutable snapshot of a changed table and hands it to the writer
// (SaveExecutor), which switches the files and, once they are in place,
// queues the alarm server's reload command ("RR", "RP:-1"): the queue's
// flush to disk would hold up the event thread for tens of milliseconds. The
// outcome comes back to the event thread, which takes the files written and
// the profile numbers drawn into the table, records the directory's stamp,
// and writes the log lines. At most one save per table is in flight; a
// change made meanwhile is saved by the next one. A failed save is tried
// again at the next tick, with one log line when a table's saves start
// failing and one when a save succeeds again.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "protocol/server_state.h"
#include "server/save_thread.h"

namespace orlund {

// What the writer learned of a save besides its files' outcome.
struct SaveReport {
  std::string thrown;  // an exception's text: the save failed
  int32_t command_result = kCommandQueued;
  std::chrono::duration<double> duration{};
};

class DeferredSaves {
 public:
  // Both must outlive the saves.
  DeferredSaves(ServerState& state, SaveExecutor& executor);

  // Starts a save of each table with changes not yet on disk and no save in
  // flight.
  void StartPending();

  // True while the table has changes not yet on disk or a save of it runs:
  // its directory then holds nothing to reload.
  bool ReceiversBusy() const { return state_.ReceiversChanged || receivers_.in_flight; }
  bool ProfilesBusy() const { return state_.ProfilesChanged || profiles_.in_flight; }

  // The stop: waits for the saves in flight, saves once more each table
  // still pending, and calls `done` when no save is in flight any more.
  void Finish(std::function<void()> done);

 private:
  struct Table {
    const char* name;            // "Receivers", "Profiles"
    const char* reload_command;  // for the alarm server
    DataTable metric;
    PendingChanges& changed;
    DirectoryStamp& stamp;
    bool in_flight = false;
    bool last_attempt = false;  // of the stop
    int failures = 0;           // in a row
  };

  void Start(Table& table);
  void StartReceivers();
  void StartProfiles();
  void Completed(Table& table, uint64_t generation, const SaveReport& report,
                 const std::string& failure, const std::optional<DirectoryStamp>& stamp);
  // A snapshot that could not be taken: a failed save.
  void NotStarted(Table& table, const std::string& failure);
  void Failed(Table& table, const std::string& failure);
  void Continue();

  ServerState& state_;
  SaveExecutor& executor_;
  Table receivers_;
  Table profiles_;
  std::function<void()> finished_;
  bool finishing_ = false;
};

}  // namespace orlund
