#include "server/deferred_saves.h"

#include <chrono>
#include <exception>
#include <memory>

#include "base/clock.h"
#include "protocol/alarm_commands.h"
#include "store/profiles.h"
#include "store/receivers.h"

namespace orlund {

namespace {

// Runs `write` on the writer and times it: an exception is a failed save,
// its text the reason.
template <typename Write>
SaveReport Guarded(Write write) {
  SaveReport report;
  const auto started = std::chrono::steady_clock::now();
  try {
    write(report);
  } catch (const std::exception& e) {
    report.thrown = e.what();
  } catch (...) {
    report.thrown = "unknown error";
  }
  report.duration = std::chrono::steady_clock::now() - started;
  return report;
}

// The reason a save failed, or empty when it succeeded.
std::string FailureOf(const std::string& thrown, const TableSaveOutcome& outcome) {
  if (!thrown.empty()) return thrown;
  return outcome.saved ? "" : outcome.error;
}

}  // namespace

DeferredSaves::DeferredSaves(ServerState& state, SaveExecutor& executor)
    : state_(state),
      executor_(executor),
      receivers_{"Receivers", "RR", DataTable::kReceivers, state.ReceiversChanged,
                 state.ReceiversDirectoryStamp},
      profiles_{"Profiles", "RP:-1", DataTable::kProfiles, state.ProfilesChanged,
                state.ProfilesDirectoryStamp} {}

void DeferredSaves::StartPending() {
  if (finishing_) return;
  for (Table* table : {&receivers_, &profiles_}) {
    if (table->changed && !table->in_flight) Start(*table);
  }
}

void DeferredSaves::Start(Table& table) {
  if (&table == &receivers_) {
    StartReceivers();
  } else {
    StartProfiles();
  }
}

void DeferredSaves::StartReceivers() {
  const uint64_t generation = state_.ReceiversChanged.generation();
  std::shared_ptr<const TableSave> save;
  try {
    save = std::make_shared<const TableSave>(
        SnapshotReceivers(state_.data.receivers, state_.store_context(),
                          FormatFileDateTime(state_.clock.local_now())));
  } catch (const std::exception& e) {
    return NotStarted(receivers_, e.what());
  }
  receivers_.in_flight = true;
  FileSystem& fs = *state_.file_system;
  AlarmLink& alarm = state_.alarm;
  const char* command = receivers_.reload_command;
  executor_.Execute([this, save, &fs, &alarm, command, generation]() -> std::function<void()> {
    auto outcome = std::make_shared<TableSaveOutcome>();
    outcome->known = save->known;
    SaveReport report = Guarded([&](SaveReport& r) {
      *outcome = WriteReceiverFiles(*save, fs);
      if (outcome->saved) r.command_result = alarm.SetCommandEntry(command);
    });
    return [this, outcome, report, generation] {
      TakeTableSaveOutcome(state_.data.receivers.LoadedFiles, *outcome, state_.log);
      Completed(receivers_, generation, report, FailureOf(report.thrown, *outcome), outcome->stamp);
    };
  });
}

void DeferredSaves::StartProfiles() {
  const uint64_t generation = state_.ProfilesChanged.generation();
  std::shared_ptr<const ProfileSave> save;
  try {
    save = std::make_shared<const ProfileSave>(
        SnapshotProfiles(state_.data.profiles, state_.store_context(),
                         FormatFileDateTime(state_.clock.local_now())));
  } catch (const std::exception& e) {
    return NotStarted(profiles_, e.what());
  }
  profiles_.in_flight = true;
  FileSystem& fs = *state_.file_system;
  AlarmLink& alarm = state_.alarm;
  const char* command = profiles_.reload_command;
  executor_.Execute([this, save, &fs, &alarm, command, generation]() -> std::function<void()> {
    auto outcome = std::make_shared<ProfileSaveOutcome>();
    outcome->files.known = save->files.known;
    outcome->generator = save->generator;
    SaveReport report = Guarded([&](SaveReport& r) {
      *outcome = WriteProfileFiles(*save, fs);
      if (outcome->files.saved) r.command_result = alarm.SetCommandEntry(command);
    });
    return [this, save, outcome, report, generation] {
      TakeProfileSaveOutcome(state_.data.profiles, *save, *outcome, state_.store_context());
      Completed(profiles_, generation, report, FailureOf(report.thrown, outcome->files),
                outcome->files.stamp);
    };
  });
}

void DeferredSaves::Completed(Table& table, uint64_t generation, const SaveReport& report,
                              const std::string& failure,
                              const std::optional<DirectoryStamp>& stamp) {
  table.in_flight = false;
  RecordSave(state_.metrics, table.metric, failure.empty(), report.duration,
             state_.clock.local_now());
  if (!failure.empty()) {
    Failed(table, failure);
    return;
  }
  // The files are in place: a full spool only loses the reload command.
  ReportAlarmCommand(state_, report.command_result);
  table.changed.Saved(generation);
  // Taken right after the switch: the poll does not take this write for a
  // foreign change. Without it, the poll reloads what was just written.
  if (stamp) table.stamp = *stamp;
  if (table.failures > 0) {
    state_.log.ServerLog(std::string(table.name) + " saved after " +
                         std::to_string(table.failures) + " failed attempts");
  }
  table.failures = 0;
  if (finishing_) Continue();
}

void DeferredSaves::NotStarted(Table& table, const std::string& failure) {
  RecordSave(state_.metrics, table.metric, false, std::chrono::duration<double>::zero(),
             state_.clock.local_now());
  Failed(table, failure);
}

void DeferredSaves::Failed(Table& table, const std::string& failure) {
  if (table.failures++ == 0) {
    state_.log.ServerLog(std::string(table.name) + " not saved: " + failure);
  }
  if (finishing_) Continue();
}

void DeferredSaves::Finish(std::function<void()> done) {
  finishing_ = true;
  finished_ = std::move(done);
  Continue();
}

void DeferredSaves::Continue() {
  for (Table* table : {&receivers_, &profiles_}) {
    if (table->changed && !table->in_flight && !table->last_attempt) {
      table->last_attempt = true;
      Start(*table);
    }
  }
  if (receivers_.in_flight || profiles_.in_flight || !finished_) return;
  std::function<void()> done = std::move(finished_);
  finished_ = nullptr;
  done();
}

}  // namespace orlund
