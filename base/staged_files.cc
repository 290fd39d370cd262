#include "base/staged_files.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>

namespace orlund {

StagedFiles::StagedFiles(FileSystem& fs, std::string directory, MissingDirectory missing)
    : fs_(fs), directory_(std::move(directory)), missing_(missing) {}

StagedFiles::~StagedFiles() {
  if (keep_temporaries_) return;
  // Those already renamed are gone; their unlink fails harmlessly. What
  // cannot be removed now goes at the next recovery.
  try {
    for (const SwitchStep& step : staged_) (void)fs_.Unlink(directory_ + step.from);
  } catch (...) {
  }
}

bool StagedFiles::Fail(const std::string& path, int error_number) {
  error_number_ = error_number;
  error_ = "'" + path + "': " + std::strerror(error_number);
  return false;
}

bool StagedFiles::Stage(const std::string& name, std::string_view bytes) {
  static std::atomic<unsigned> counter{0};
  const std::string final_path = directory_ + name;
  FileInfo old;
  int error = fs_.Stat(final_path, old);
  if (error != 0 && error != ENOENT) return Fail(final_path, error);
  if (error == 0 && old.type == FileInfo::Type::kDirectory) return Fail(final_path, EISDIR);
  // A file moved aside first is not replaced: the new one is new.
  const bool takes_over = error == 0 && old.type == FileInfo::Type::kRegular &&
                          std::none_of(moves_.begin(), moves_.end(),
                                       [&](const SwitchStep& move) { return move.from == name; });
  // ".~" in front and ".tmp" behind: no pattern of the data files matches.
  const std::string temp =
      ".~" + name + "." + std::to_string(getpid()) + "." + std::to_string(counter++) + ".tmp";
  const std::string temp_path = directory_ + temp;
  // A replacement is private until it has the old file's attributes.
  const uint32_t mode = takes_over ? 0600 : 0644;
  std::unique_ptr<WritableFile> file;
  error = fs_.CreateFile(temp_path, mode, file);
  if (error == ENOENT && missing_ == MissingDirectory::kCreate) {
    error = fs_.MakeDirectory(directory_);
    if (error == 0 || error == EEXIST) error = fs_.CreateFile(temp_path, mode, file);
  }
  if (error != 0) return Fail(temp_path, error);
  staged_.push_back({SwitchStep::Kind::kReplace, temp, name, {}});
  if (takes_over) error = file->TakeOverAttributes(old);
  if (error == 0) error = file->Append(bytes);
  int closed = file->Close();
  if (error == 0) error = closed;
  if (error != 0) return Fail(final_path, error);
  FileInfo written;
  if ((error = fs_.Stat(temp_path, written)) != 0) return Fail(temp_path, error);
  staged_.back().identity = written.identity;
  return true;
}

void StagedFiles::MoveAside(const std::string& name, const std::string& target) {
  moves_.push_back({SwitchStep::Kind::kMoveAside, name, target, {}});
}

void StagedFiles::Remove(const std::string& name, const FileIdentity& identity) {
  removals_.push_back({SwitchStep::Kind::kRemove, name, "", identity});
}

bool StagedFiles::WriteJournal() {
  const std::string path = directory_ + kSwitchJournalName;
  std::unique_ptr<WritableFile> file;
  int error = fs_.CreateFile(path, 0644, file);
  if (error != 0) return Fail(path, error);
  // From here on the journal may be complete on disk, and a complete journal
  // needs every staged file for the switch it records: they stay until the
  // journal is known to be gone or the switch is done, also when an
  // exception passes through.
  keep_temporaries_ = true;
  error = file->Append(EncodeSwitchJournal(steps_));
  int closed = file->Close();
  if (error == 0) error = closed;
  if (error == 0) error = fs_.SyncFile(path);
  if (error == 0) error = fs_.SyncDirectory(directory_);
  if (error == 0) return true;
  Fail(path, error);
  int removed = fs_.Unlink(path);
  keep_temporaries_ = removed != 0 && removed != ENOENT;
  return false;
}

bool StagedFiles::Commit() {
  steps_ = moves_;
  steps_.insert(steps_.end(), staged_.begin(), staged_.end());
  steps_.insert(steps_.end(), removals_.begin(), removals_.end());
  if (steps_.empty()) return true;  // nothing to change, maybe no directory
  // One file is flushed alone; for more, one flush of the file system puts
  // every staged file on disk, far cheaper than a sync per file.
  if (staged_.size() == 1) {
    int error = fs_.SyncFile(directory_ + staged_.front().from);
    if (error != 0) return Fail(directory_ + staged_.front().from, error);
  } else if (!staged_.empty()) {
    int error = fs_.SyncFileSystem(directory_);
    if (error != 0) return Fail(directory_, error);
  }
  // A lone step needs no journal: a rename or an unlink is atomic by itself.
  const bool journal = steps_.size() > 1;
  if (journal && !WriteJournal()) return false;
  progress_ = ApplySwitch(fs_, directory_, steps_);
  if (progress_.error_number != 0) {
    // Tried once more at once: a passing fault then leaves no half-switched
    // set behind.
    SwitchProgress again = ApplySwitch(fs_, directory_, steps_);
    again.moved.insert(again.moved.begin(), progress_.moved.begin(), progress_.moved.end());
    progress_ = std::move(again);
    if (progress_.error_number != 0) return Fail(progress_.failed_path, progress_.error_number);
  }
  keep_temporaries_ = false;
  staged_.clear();  // all renamed: nothing left to remove
  // A journal of a finished switch that stays behind is harmless: completing
  // it again changes nothing, and the next recovery removes it.
  if (journal) (void)fs_.Unlink(directory_ + kSwitchJournalName);
  return true;
}

}  // namespace orlund
