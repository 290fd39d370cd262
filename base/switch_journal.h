#pragma once
// The roll-forward record of a set of files switched as a whole. Every step
// of a switch (a file moved aside into a folder, a new content renamed over
// its final name, a file removed) is written to a journal file in the
// directory and flushed before the first step runs. A switch cut short by a
// crash or a failing step is completed from the journal, at the next start-up
// or before the next save; a journal cut short was written before any step
// ran and is dropped together with the temporary files, leaving the old set
// as it was.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/file_system.h"

namespace orlund {

// No data file pattern of the alarm server matches it.
inline constexpr char kSwitchJournalName[] = ".~save.journal";

struct SwitchStep {
  enum class Kind : uint8_t { kMoveAside = 1, kReplace = 2, kRemove = 3 };
  Kind kind = Kind::kRemove;
  // A name in the directory: the file moved aside, the temporary file of a
  // replacement, the file removed.
  std::string from;
  // kMoveAside: the path it is moved to, relative to the directory (a name
  // in a folder); kReplace: the final name; kRemove: empty.
  std::string to;
  // kReplace: the temporary file's; kRemove: the file's as it was planned.
  FileIdentity identity;

  bool operator==(const SwitchStep&) const = default;
};

std::string EncodeSwitchJournal(const std::vector<SwitchStep>& steps);
// Nothing for a journal cut short or damaged, or one naming a path outside
// the directory.
std::optional<std::vector<SwitchStep>> DecodeSwitchJournal(std::string_view bytes);

struct SwitchProgress {
  size_t completed = 0;  // steps [0, completed) are done
  int error_number = 0;  // 0 when every step and the syncs succeeded
  std::string failed_path;
  // (from, path moved to) of every file moved aside now, the path relative
  // to the directory.
  std::vector<std::pair<std::string, std::string>> moved;
};

// Carries out the steps in order and then syncs the directory and the
// folders files were moved into, skipping what an earlier attempt already
// did, so that it may run again after a failure or a crash:
// - kMoveAside moves whatever file now has the name, unless it is the
//   replacement a later step of the same switch renamed there; a folder is
//   made when missing and a taken path gets "-2", "-3", ... appended;
// - kReplace renames the temporary file while it exists;
// - kRemove removes the file only while it is still the one planned.
// Stops at the first step that fails.
SwitchProgress ApplySwitch(FileSystem& fs, const std::string& directory,
                           const std::vector<SwitchStep>& steps);

struct Recovery {
  enum class Journal { kNone, kCompleted, kDiscarded };
  Journal journal = Journal::kNone;
  std::vector<SwitchStep> steps;  // of a completed journal
  SwitchProgress progress;        // of completing it
  int error_number = 0;
  std::string failed_path;
};

// Completes the switch of a journal left in `directory` (ends with "/"), or
// drops a damaged one, and removes the journal; then removes the regular
// files whose names match `temporary_pattern` (see MatchFileName). A missing
// directory, or a file in its place, needs nothing. Stops at the first operation that fails.
Recovery RecoverDirectory(FileSystem& fs, const std::string& directory,
                          std::string_view temporary_pattern);

}  // namespace orlund
