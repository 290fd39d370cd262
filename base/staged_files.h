#pragma once
// Atomic file writes: a set of files in one directory replaced all together,
// so that a failed save loses nothing. Every new content is first written
// under a temporary name that matches no data file pattern; only when all of
// them are written and flushed to disk are they renamed over their final
// names. Files the set no longer holds are then deleted and the directory is
// synced. A single file written atomically (WriteFileAtomically in
// file_utils.h) is a set of one. Every file operation of an atomic write is
// in staged_files.cc.
//
// A file that is replaced keeps its permission bits, and its owner and group
// where the process may set them (as root): the alarm server shares these
// files and may rely on group write access. A new file gets mode 0644 less
// the process's umask.

#include <string>
#include <string_view>
#include <vector>

namespace orlund {

class StagedFiles {
 public:
  enum class MissingDirectory { kFail, kCreate };

  // `directory` ends with "/". With kCreate, the first Stage creates it (one
  // level) when it is missing; with kFail, Stage fails.
  explicit StagedFiles(std::string directory, MissingDirectory missing = MissingDirectory::kFail);
  // Removes the temporary files of a set that was not committed.
  ~StagedFiles();
  StagedFiles(const StagedFiles&) = delete;
  StagedFiles& operator=(const StagedFiles&) = delete;

  // Writes the content for the final name `name` under its temporary name.
  // A failure (the write, or a directory in the way of the final name)
  // returns false and says why in error(); no existing file has been
  // touched.
  bool Stage(const std::string& name, std::string_view bytes);

  // Flushes the staged files to disk (a failure here still leaves every old
  // file untouched), renames each over its final name, deletes each of
  // `obsolete` (names in the directory) that was not just written, and syncs
  // the directory. False with error() at the first step that fails.
  bool Commit(const std::vector<std::string>& obsolete);

  // "'<path>': <reason>" of the step that failed, and its errno value.
  const std::string& error() const { return error_; }
  int error_number() const { return error_number_; }

 private:
  struct Entry {
    std::string temp_path;
    std::string name;
    bool renamed = false;
  };
  bool Fail(const std::string& what, int error_number);
  bool SyncStaged();

  std::string directory_;
  MissingDirectory missing_;
  std::vector<Entry> entries_;
  std::string error_;
  int error_number_ = 0;
};

}  // namespace orlund
