#include "base/staged_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

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

// Gives the new file `fd` the owner, group and permission bits of the file it
// will replace. Owner and group are kept where the process may set them
// (root; the group also for a member of it); the permission bits always.
bool TakeOverAttributes(int fd, const struct stat& old) {
  struct stat now;
  if (fstat(fd, &now) == 0 && (now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
      fchown(fd, old.st_uid, old.st_gid) != 0 &&
      fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
    // Neither may be set: the new file keeps this process's owner and group.
  }
  // After the owner: a change of owner clears the set-user and set-group bits.
  return fchmod(fd, old.st_mode & 07777) == 0;
}

bool SyncFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fsync(fd) == 0;
  int saved = errno;
  close(fd);
  errno = saved;
  return ok;
}

bool SyncDirectory(const std::string& directory) {
  int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fsync(fd) == 0;
  int saved = errno;
  close(fd);
  errno = saved;
  return ok;
}

// One flush of the file system that holds `directory`.
bool SyncFileSystem(const std::string& directory) {
  int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = syncfs(fd) == 0;
  int saved = errno;
  close(fd);
  errno = saved;
  return ok;
}

}  // namespace

StagedFiles::StagedFiles(std::string directory, MissingDirectory missing)
    : directory_(std::move(directory)), missing_(missing) {}

StagedFiles::~StagedFiles() {
  for (const Entry& entry : entries_) {
    if (!entry.renamed) unlink(entry.temp_path.c_str());
  }
}

bool StagedFiles::Fail(const std::string& what, int error_number) {
  error_number_ = error_number;
  error_ = "'" + what + "': " + std::strerror(error_number);
  return false;
}

bool StagedFiles::Stage(const std::string& name, std::string_view bytes) {
  static std::atomic<unsigned> counter{0};
  std::string final_path = directory_ + name;
  struct stat old;
  if (lstat(final_path.c_str(), &old) == 0 && S_ISDIR(old.st_mode)) {
    return Fail(final_path, EISDIR);
  }
  const bool takes_over = stat(final_path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  // ".~" in front and ".tmp" behind: no pattern of the data files matches.
  std::string temp_path = directory_ + ".~" + name + "." + std::to_string(getpid()) + "." +
                          std::to_string(counter++) + ".tmp";
  // A replacement is private until it has the old file's attributes.
  const mode_t mode = takes_over ? 0600 : 0644;
  int fd = open(temp_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (fd < 0 && errno == ENOENT && missing_ == MissingDirectory::kCreate &&
      mkdir(directory_.c_str(), 0755) == 0) {
    fd = open(temp_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  }
  if (fd < 0) return Fail(temp_path, errno);
  entries_.push_back({temp_path, name});
  bool ok = (!takes_over || TakeOverAttributes(fd, old)) && WriteAll(fd, bytes);
  int saved = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (!ok) return Fail(final_path, saved);
  return true;
}

bool StagedFiles::SyncStaged() {
  // One file is flushed alone; for more, one flush of the file system puts
  // every staged file on disk, far cheaper than a sync per file.
  if (entries_.size() == 1)
    return SyncFile(entries_.front().temp_path) || Fail(entries_.front().temp_path, errno);
  return SyncFileSystem(directory_) || Fail(directory_, errno);
}

bool StagedFiles::Commit(const std::vector<std::string>& obsolete) {
  if (entries_.empty() && obsolete.empty()) return true;  // nothing to change, maybe no directory
  if (!entries_.empty() && !SyncStaged()) return false;
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
