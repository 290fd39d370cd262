#pragma once
// One server per project directory: an exclusive lock on the file
// ProjectDirectory ".OrlundActiveXServer.lock", held for the life of the
// process (the system releases it when the process ends, however it ends).

#include <string>

namespace orlund {

class InstanceLock {
 public:
  enum class Result {
    kAcquired,       // this process is the only server on the directory
    kHeldElsewhere,  // another server holds the lock
    kUnavailable,    // the lock file cannot be opened (no such directory...)
  };

  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock on `project_directory` (ends with "/") without waiting.
  Result Acquire(const std::string& project_directory);

 private:
  int fd_ = -1;
};

}  // namespace orlund
