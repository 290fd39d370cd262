#pragma once
// A project directory for tests of the data files, and a limit on file sizes
// that makes writes fail.

#include <signal.h>
#include <sys/resource.h>

#include "testing/test_temp_dir.h"

namespace orlund::testing {

using ProjectDir = TestTempDir;

// While it lives, no file of this process can grow past `bytes`: a write
// beyond fails with EFBIG (the signal it would raise is ignored). Makes a
// save fail part way through even for root, whom permissions do not stop.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    old_handler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, old_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  sighandler_t old_handler_ = SIG_DFL;
};

}  // namespace orlund::testing
