// The alarm server's library: the two C entry points the server calls to hand
// a command to the alarm server and to append a line to a log file.
//
// Command queue: every command becomes one file in the spool directory named
// by $ORLUND_COMMAND_QUEUE. The file holds the command's bytes exactly and is
// named "<20-digit sequence>.cmd"; the alarm server takes and deletes the
// files in name order. A file is first written under a temporary name that
// does not end in ".cmd", fsync'ed, then renamed into place, so the alarm
// server never sees a half-written command.
//
// The spool holds at most $ORLUND_COMMAND_QUEUE_LIMIT commands (10,000 when
// unset): while that many are waiting, a command is refused with
// kQueueFull, so a flood of commands cannot fill the disk.
//
// Sequence numbers are the greatest of: the wall clock in nanoseconds since
// 1970, one more than the last number this process used, and one more than
// the highest number already waiting in the directory. Within a process they
// therefore always increase; after a restart they continue above whatever is
// still queued, even when the clock was set back. A number that is below one
// the alarm server has already taken can only appear once the queue is empty,
// where it cannot overtake anything. The rename never replaces an existing
// file, so two processes sharing one spool directory cannot overwrite each
// other's commands: on a clash the next number is tried.

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#define ORLUND_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kBadArgument = 1;
constexpr int32_t kNoQueue = 2;
constexpr int32_t kIoError = 3;
constexpr int32_t kInternalError = 4;
constexpr int32_t kQueueFull = 5;

constexpr uint64_t kDefaultQueueLimit = 10000;

constexpr size_t kSequenceDigits = 20;
constexpr char kCommandSuffix[] = ".cmd";
constexpr int kMaxRenameAttempts = 1000;

std::atomic<uint64_t> last_sequence{0};
std::atomic<uint64_t> temp_counter{0};

// Creates `dir` and its missing parents; true when it exists afterwards.
bool MakeDirectories(const std::string& dir) {
  struct stat st;
  for (size_t end = 1; end <= dir.size(); ++end) {
    if (end < dir.size() && dir[end] != '/') continue;
    std::string prefix = dir.substr(0, end);
    if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST &&
        !(::stat(prefix.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
      return false;
    }
  }
  return dir.empty() || (::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

std::string ParentDirectory(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return "";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Writes all of `size` bytes; retries after signals and short writes.
bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool SyncDirectory(const std::string& dir) {
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

// Parses a queued file name "<20 digits>.cmd"; false for any other name and
// for numbers that do not fit 64 bits.
bool ParseQueuedName(const char* name, uint64_t& sequence) {
  if (std::strlen(name) != kSequenceDigits + sizeof(kCommandSuffix) - 1) return false;
  if (std::strcmp(name + kSequenceDigits, kCommandSuffix) != 0) return false;
  uint64_t value = 0;
  for (size_t i = 0; i < kSequenceDigits; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
    uint64_t digit = static_cast<uint64_t>(name[i] - '0');
    if (value > (UINT64_MAX - digit) / 10) return false;
    value = value * 10 + digit;
  }
  sequence = value;
  return true;
}

struct QueueState {
  uint64_t highest = 0;  // the highest sequence number waiting, 0 when none
  uint64_t count = 0;    // the number of commands waiting
};

QueueState ScanQueue(const std::string& dir) {
  QueueState state;
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return state;
  while (struct dirent* entry = ::readdir(d)) {
    uint64_t sequence;
    if (!ParseQueuedName(entry->d_name, sequence)) continue;
    ++state.count;
    if (sequence > state.highest) state.highest = sequence;
  }
  ::closedir(d);
  return state;
}

uint64_t QueueLimit() {
  const char* text = std::getenv("ORLUND_COMMAND_QUEUE_LIMIT");
  if (text == nullptr || *text == '\0') return kDefaultQueueLimit;
  char* end = nullptr;
  unsigned long long limit = std::strtoull(text, &end, 10);
  return *end == '\0' ? limit : kDefaultQueueLimit;
}

uint64_t ClockNanoseconds() {
  struct timespec ts;
  if (::clock_gettime(CLOCK_REALTIME, &ts) != 0 || ts.tv_sec < 0) return 0;
  return static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
}

// Reserves a number above `floor` and above every number this process used.
bool ReserveSequence(uint64_t floor, uint64_t& sequence) {
  uint64_t previous = last_sequence.load();
  uint64_t next;
  do {
    uint64_t base = previous > floor ? previous : floor;
    if (base == UINT64_MAX) return false;
    next = base + 1;
  } while (!last_sequence.compare_exchange_weak(previous, next));
  sequence = next;
  return true;
}

std::string QueuedName(uint64_t sequence) {
  char name[kSequenceDigits + sizeof(kCommandSuffix)];
  std::snprintf(name, sizeof(name), "%020llu%s", static_cast<unsigned long long>(sequence),
                kCommandSuffix);
  return name;
}

// Renames without ever replacing an existing file; errno EEXIST on a clash.
bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
  // The file system cannot refuse a replacement atomically: a hard link
  // can, and plain rename is the last resort.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return true;
  }
  if (errno == EEXIST) return false;
  if (::access(to.c_str(), F_OK) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

int32_t QueueCommand(const char* command) {
  const char* queue = std::getenv("ORLUND_COMMAND_QUEUE");
  if (queue == nullptr || queue[0] == '\0') return kNoQueue;
  std::string dir = queue;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (!MakeDirectories(dir)) return kIoError;
  QueueState queued = ScanQueue(dir);
  if (queued.count >= QueueLimit()) return kQueueFull;

  std::string temp = dir + "/.queue-" + std::to_string(::getpid()) + "-" +
                     std::to_string(temp_counter.fetch_add(1)) + ".tmp";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return kIoError;
  bool written = WriteAll(fd, command, std::strlen(command)) && ::fsync(fd) == 0;
  written = (::close(fd) == 0) && written;
  if (!written) {
    ::unlink(temp.c_str());
    return kIoError;
  }

  uint64_t floor = queued.highest;
  uint64_t now = ClockNanoseconds();
  if (now > floor) floor = now - 1;
  for (int attempt = 0; attempt < kMaxRenameAttempts; ++attempt) {
    uint64_t sequence;
    if (!ReserveSequence(floor, sequence)) break;
    if (RenameNoReplace(temp, dir + "/" + QueuedName(sequence))) {
      SyncDirectory(dir);
      return kOk;
    }
    if (errno != EEXIST) break;
    // Another process took this number: continue above what is queued now.
    uint64_t highest = ScanQueue(dir).highest;
    floor = highest > sequence ? highest : sequence;
  }
  ::unlink(temp.c_str());
  return kIoError;
}

int32_t AppendLogLine(const char* path, const char* line) {
  std::string file = path;
  if (file.empty()) return kBadArgument;
  std::string record = line;
  record.push_back('\n');
  constexpr int kFlags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC;
  // The folder is there for every line but the first of a day: it is made
  // only when the file cannot be opened without it.
  int fd = ::open(file.c_str(), kFlags, 0666);
  if (fd < 0 && errno == ENOENT && MakeDirectories(ParentDirectory(file))) {
    fd = ::open(file.c_str(), kFlags, 0666);
  }
  if (fd < 0) return kIoError;
  // One write keeps the line whole beside other writers of the same file;
  // WriteAll only loops when the kernel stored part of it (disk full).
  bool ok = WriteAll(fd, record.data(), record.size());
  ok = (::close(fd) == 0) && ok;
  return ok ? kOk : kIoError;
}

}  // namespace

// Queues `command` (a C string) for the alarm server. `reserved` is ignored.
// Returns 0 when the command file is in place, 5 when the spool is full,
// another non-zero value for other failures.
ORLUND_EXPORT int32_t SetCommandEntry(const char* command, int32_t reserved) {
  (void)reserved;
  if (command == nullptr) return kBadArgument;
  try {
    return QueueCommand(command);
  } catch (...) {
    return kInternalError;
  }
}

// Appends `line` and "\n" to the file `path`, creating the file and its
// directories when missing. Returns 0 on success, non-zero otherwise.
ORLUND_EXPORT int32_t SetSysLogEntry(const char* path, const char* line) {
  if (path == nullptr || line == nullptr) return kBadArgument;
  try {
    return AppendLogLine(path, line);
  } catch (...) {
    return kInternalError;
  }
}
