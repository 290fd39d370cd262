#pragma once
// Replaces a set of files in one directory all together, so that a failed
// save loses nothing: every new content is first written under a temporary
// name that matches no data file pattern; only when all of them are written
// and flushed to disk are they renamed over their final names. Files the set
// no longer holds are then deleted and the directory is synced.

#include <string>
#include <string_view>
#include <vector>

namespace orlund {

class StagedFiles {
 public:
  // `directory` ends with "/"; it is created (one level) when missing.
  explicit StagedFiles(std::string directory);
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

  const std::string& error() const { return error_; }

 private:
  struct Entry {
    std::string temp_path;
    std::string name;
    bool renamed = false;
  };
  bool Fail(const std::string& what, int error_number);

  std::string directory_;
  std::vector<Entry> entries_;
  std::string error_;
};

}  // namespace orlund
