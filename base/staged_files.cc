#include "base/staged_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "base/file_utils.h"

namespace orlund {

namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return false;
    if (put == 0) {
      errno = EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(put));
  }
  return true;
}

}  // namespace

StagedFiles::StagedFiles(std::string directory) : directory_(std::move(directory)) {}

StagedFiles::~StagedFiles() {
  for (const Entry& entry : entries_) {
    if (!entry.renamed) unlink(entry.temp_path.c_str());
  }
}

bool StagedFiles::Fail(const std::string& what, int error_number) {
  error_ = "'" + what + "': " + std::strerror(error_number);
  return false;
}

bool StagedFiles::Stage(const std::string& name, std::string_view bytes) {
  static std::atomic<unsigned> counter{0};
  std::string final_path = directory_ + name;
  struct stat st;
  if (lstat(final_path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    return Fail(final_path, EISDIR);
  }
  // ".~" in front and ".tmp" behind: no pattern of the data files matches.
  std::string temp_path = directory_ + ".~" + name + "." + std::to_string(getpid()) + "." +
                          std::to_string(counter++) + ".tmp";
  int fd = open(temp_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0 && errno == ENOENT && mkdir(directory_.c_str(), 0755) == 0) {
    fd = open(temp_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  }
  if (fd < 0) return Fail(temp_path, errno);
  entries_.push_back({temp_path, name});
  bool ok = WriteAll(fd, bytes);
  int saved = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (!ok) return Fail(final_path, saved);
  return true;
}

bool StagedFiles::Commit(const std::vector<std::string>& obsolete) {
  if (entries_.empty() && obsolete.empty()) return true;  // nothing to change, maybe no directory
  if (!entries_.empty()) {
    // One flush of the file system puts every staged file on disk before any
    // of them replaces an old one: far cheaper than a sync per file.
    int dir_fd = open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd < 0) return Fail(directory_, errno);
    bool synced = syncfs(dir_fd) == 0;
    int saved = errno;
    close(dir_fd);
    if (!synced) return Fail(directory_, saved);
  }
  for (Entry& entry : entries_) {
    std::string final_path = directory_ + entry.name;
    if (rename(entry.temp_path.c_str(), final_path.c_str()) != 0) return Fail(final_path, errno);
    entry.renamed = true;
  }
  for (const std::string& name : obsolete) {
    bool written = std::any_of(entries_.begin(), entries_.end(),
                               [&](const Entry& entry) { return entry.name == name; });
    if (written) continue;
    std::string path = directory_ + name;
    if (unlink(path.c_str()) != 0 && errno != ENOENT) return Fail(path, errno);
  }
  if (!SyncDirectory(directory_)) return Fail(directory_, errno);
  return true;
}

}  // namespace orlund
