#pragma once
// The file operations of the data store's loads and saves behind one
// interface: creating, writing and syncing a file, renaming, unlinking,
// making and syncing a directory, listing a directory, reading a file and
// looking at one. The server uses the POSIX implementation; tests put one in
// front of it that counts the operations and fails or stops at any of them,
// and a benchmark leaves the syncs out. Every operation returns 0 or the
// errno value of its failure.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orlund {

// Which file, and which version of its content: a file replaced by a rename
// has another inode, one rewritten in place another size or time.
struct FileIdentity {
  uint64_t inode = 0;
  int64_t size = 0;
  int64_t mtime_ns = 0;

  bool operator==(const FileIdentity&) const = default;
};

struct FileInfo {
  enum class Type { kRegular, kDirectory, kOther };
  Type type = Type::kOther;
  uint32_t mode = 0;  // permission bits, 07777
  uint32_t uid = 0;
  uint32_t gid = 0;
  FileIdentity identity;
};

struct DirectoryEntry {
  std::string name;
  FileInfo::Type type;  // of what a symbolic link points to
};

class WritableFile {
 public:
  // Closes the file if Close was not called, ignoring any error.
  virtual ~WritableFile() = default;
  virtual int Append(std::string_view bytes) = 0;
  // Gives the file the owner and group of `old` where the process may, and
  // its permission bits always.
  virtual int TakeOverAttributes(const FileInfo& old) = 0;
  virtual int Close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Creates or truncates `path` for writing; a new file gets `mode` less
  // the umask.
  virtual int CreateFile(const std::string& path, uint32_t mode,
                         std::unique_ptr<WritableFile>& file) = 0;
  // The whole content of a regular file, and its identity.
  virtual int ReadFile(const std::string& path, std::string& bytes, FileIdentity& identity) = 0;
  // Follows a symbolic link.
  virtual int Stat(const std::string& path, FileInfo& info) = 0;
  // Every entry but "." and "..", in the order the file system lists them.
  virtual int ListDirectory(const std::string& directory, std::vector<DirectoryEntry>& entries) = 0;
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  virtual int Unlink(const std::string& path) = 0;
  // Mode 0755 less the umask.
  virtual int MakeDirectory(const std::string& path) = 0;
  // Puts the content of a closed file on disk.
  virtual int SyncFile(const std::string& path) = 0;
  // Puts the directory's entries (renames, new and removed names) on disk.
  virtual int SyncDirectory(const std::string& directory) = 0;
  // One flush of the whole file system holding `directory`: for many new
  // files far cheaper than a sync of each.
  virtual int SyncFileSystem(const std::string& directory) = 0;
};

class PosixFileSystem : public FileSystem {
 public:
  // Without syncs every sync succeeds at once and nothing is flushed: only
  // for measuring what the flushes cost.
  explicit PosixFileSystem(bool syncs = true) : syncs_(syncs) {}

  int CreateFile(const std::string& path, uint32_t mode,
                 std::unique_ptr<WritableFile>& file) override;
  int ReadFile(const std::string& path, std::string& bytes, FileIdentity& identity) override;
  int Stat(const std::string& path, FileInfo& info) override;
  int ListDirectory(const std::string& directory, std::vector<DirectoryEntry>& entries) override;
  int Rename(const std::string& from, const std::string& to) override;
  int Unlink(const std::string& path) override;
  int MakeDirectory(const std::string& path) override;
  int SyncFile(const std::string& path) override;
  int SyncDirectory(const std::string& directory) override;
  int SyncFileSystem(const std::string& directory) override;

 private:
  bool syncs_;
};

// The POSIX file system the server runs on.
FileSystem& DefaultFileSystem();

}  // namespace orlund
