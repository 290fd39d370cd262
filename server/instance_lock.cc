#include "server/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace orlund {

namespace {

constexpr char kLockFileName[] = ".OrlundActiveXServer.lock";

}  // namespace

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

InstanceLock::Result InstanceLock::Acquire(const std::string& project_directory) {
  std::string path = project_directory + kLockFileName;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return Result::kUnavailable;
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return held ? Result::kHeldElsewhere : Result::kUnavailable;
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
  return Result::kAcquired;
}

}  // namespace orlund
