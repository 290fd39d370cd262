#pragma once
// Atomic file writes: a set of files in one directory replaced all together,
// so that a failed save or a crash loses nothing. Every new content is first
// written under a temporary name that matches no data file pattern; only when
// all of them are written and flushed to disk does the set switch. A switch
// of more than one step (several files, files moved aside or removed) is
// recorded in a roll-forward journal first (base/switch_journal.h), so that
// after a crash at any point the directory holds the complete old set or,
// once the journal is complete, the complete new one. A single file written
// atomically (WriteFileAtomically in file_utils.h) is a set of one.
//
// A file that is replaced keeps its permission bits, and its owner and group
// where the process may set them (as root): the alarm server shares these
// files and may rely on group write access. A new file gets mode 0644 less
// the process's umask.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/file_system.h"
#include "base/switch_journal.h"

namespace orlund {

class StagedFiles {
 public:
  enum class MissingDirectory { kFail, kCreate };

  // `directory` ends with "/". With kCreate, the first Stage creates it (one
  // level) when it is missing; with kFail, Stage fails.
  StagedFiles(FileSystem& fs, std::string directory,
              MissingDirectory missing = MissingDirectory::kFail);
  // Removes the temporary files of a set that did not switch, unless a
  // journal that needs them was left behind.
  ~StagedFiles();
  StagedFiles(const StagedFiles&) = delete;
  StagedFiles& operator=(const StagedFiles&) = delete;

  // Writes the content for the final name `name` under its temporary name;
  // a file of that name that is not moved aside (MoveAside before) is the
  // one it replaces.
  // A failure (the write, or a directory in the way of the final name)
  // returns false and says why in error(); no existing file has been
  // touched.
  bool Stage(const std::string& name, std::string_view bytes);

  // Steps that switch together with the staged files: the file `name` moved
  // to `target` (a path relative to the directory, in a folder) before any
  // replacement, and the file `name` removed after them, if it is still the
  // file of `identity`.
  void MoveAside(const std::string& name, const std::string& target);
  void Remove(const std::string& name, const FileIdentity& identity);

  // Flushes the staged files to disk, records the switch in the journal
  // (when it has more than one step), carries it out, and syncs the
  // directory. A journal left in the directory by an earlier switch must
  // have been recovered (RecoverDirectory) before: it is overwritten. False with error() when it
  // fails: before the journal is on disk every old file is untouched; after that, a switch that
  // fails twice stays recorded, and RecoverDirectory completes it.
  bool Commit();

  // The steps of the switch and how far it got.
  const std::vector<SwitchStep>& steps() const { return steps_; }
  const SwitchProgress& progress() const { return progress_; }

  // "'<path>': <reason>" of the step that failed, and its errno value.
  const std::string& error() const { return error_; }
  int error_number() const { return error_number_; }

 private:
  bool Fail(const std::string& path, int error_number);
  bool WriteJournal();

  FileSystem& fs_;
  std::string directory_;
  MissingDirectory missing_;
  std::vector<SwitchStep> staged_;  // the replacements
  std::vector<SwitchStep> moves_;
  std::vector<SwitchStep> removals_;
  std::vector<SwitchStep> steps_;  // of the commit
  SwitchProgress progress_;
  bool keep_temporaries_ = false;
  std::string error_;
  int error_number_ = 0;
};

}  // namespace orlund
