#include "base/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace orlund {

namespace {

FileIdentity IdentityOf(const struct stat& st) {
  return {static_cast<uint64_t>(st.st_ino), static_cast<int64_t>(st.st_size),
          static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

FileInfo::Type TypeOf(mode_t mode) {
  if (S_ISREG(mode)) return FileInfo::Type::kRegular;
  if (S_ISDIR(mode)) return FileInfo::Type::kDirectory;
  return FileInfo::Type::kOther;
}

// The errno value of the call that just failed, or 0.
int Result(bool ok) { return ok ? 0 : (errno != 0 ? errno : EIO); }

int SyncOpened(const std::string& path, int flags, bool whole_file_system) {
  int fd = open(path.c_str(), flags | O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Result(false);
  int error = Result((whole_file_system ? syncfs(fd) : fsync(fd)) == 0);
  close(fd);
  return error;
}

class PosixFile : public WritableFile {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override {
    if (fd_ >= 0) close(fd_);
  }

  int Append(std::string_view bytes) override {
    while (!bytes.empty()) {
      ssize_t put = write(fd_, bytes.data(), bytes.size());
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) return Result(false);
      if (put == 0) return EIO;
      bytes.remove_prefix(static_cast<size_t>(put));
    }
    return 0;
  }

  int TakeOverAttributes(const FileInfo& old) override {
    struct stat now;
    if (fstat(fd_, &now) == 0 && (now.st_uid != old.uid || now.st_gid != old.gid) &&
        fchown(fd_, old.uid, old.gid) != 0 && fchown(fd_, static_cast<uid_t>(-1), old.gid) != 0) {
      // Neither may be set: the file keeps this process's owner and group.
    }
    // After the owner: a change of owner clears the set-user and set-group bits.
    return Result(fchmod(fd_, old.mode & 07777) == 0);
  }

  int Close() override {
    int fd = fd_;
    fd_ = -1;
    return Result(close(fd) == 0);
  }

 private:
  int fd_;
};

}  // namespace

int PosixFileSystem::CreateFile(const std::string& path, uint32_t mode,
                                std::unique_ptr<WritableFile>& file) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, static_cast<mode_t>(mode));
  if (fd < 0) return Result(false);
  file = std::make_unique<PosixFile>(fd);
  return 0;
}

int PosixFileSystem::ReadFile(const std::string& path, std::string& bytes, FileIdentity& identity) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Result(false);
  struct stat st;
  int error = Result(fstat(fd, &st) == 0);
  if (error == 0 && !S_ISREG(st.st_mode)) error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  std::string out;
  char buffer[65536];
  while (error == 0) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) error = Result(false);
    if (got <= 0) break;
    out.append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  if (error != 0) return error;
  bytes = std::move(out);
  identity = IdentityOf(st);
  return 0;
}

int PosixFileSystem::Stat(const std::string& path, FileInfo& info) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return Result(false);
  info.type = TypeOf(st.st_mode);
  info.mode = st.st_mode & 07777;
  info.uid = st.st_uid;
  info.gid = st.st_gid;
  info.identity = IdentityOf(st);
  return 0;
}

int PosixFileSystem::ListDirectory(const std::string& directory,
                                   std::vector<DirectoryEntry>& entries) {
  DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
  if (dir == nullptr) return Result(false);
  std::vector<DirectoryEntry> out;
  int error = 0;
  for (;;) {
    errno = 0;
    dirent* entry = readdir(dir);
    if (entry == nullptr) {
      error = errno;
      break;
    }
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    FileInfo::Type type = FileInfo::Type::kOther;
    if (entry->d_type == DT_REG) {
      type = FileInfo::Type::kRegular;
    } else if (entry->d_type == DT_DIR) {
      type = FileInfo::Type::kDirectory;
    } else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      struct stat st;
      if (fstatat(dirfd(dir), name.c_str(), &st, 0) == 0) type = TypeOf(st.st_mode);
    }
    out.push_back({std::move(name), type});
  }
  closedir(dir);
  if (error != 0) return error;
  entries = std::move(out);
  return 0;
}

int PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  return Result(rename(from.c_str(), to.c_str()) == 0);
}

int PosixFileSystem::Unlink(const std::string& path) { return Result(unlink(path.c_str()) == 0); }

int PosixFileSystem::MakeDirectory(const std::string& path) {
  return Result(mkdir(path.c_str(), 0755) == 0);
}

int PosixFileSystem::SyncFile(const std::string& path) {
  return syncs_ ? SyncOpened(path, 0, false) : 0;
}

int PosixFileSystem::SyncDirectory(const std::string& directory) {
  return syncs_ ? SyncOpened(directory, O_DIRECTORY, false) : 0;
}

int PosixFileSystem::SyncFileSystem(const std::string& directory) {
  return syncs_ ? SyncOpened(directory, O_DIRECTORY, true) : 0;
}

FileSystem& DefaultFileSystem() {
  static PosixFileSystem posix;
  return posix;
}

}  // namespace orlund
