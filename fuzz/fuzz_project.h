#pragma once
// Scratch files for the fuzz targets that need some: a directory made once
// per process in shared memory (/dev/shm, so that the syncs of atomic writes
// cost nothing) or, without it, in $TMPDIR or /tmp, removed when the process
// ends; and a copy of the demo project in it.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tools/example_project.h"

namespace orlund::fuzz {

// The source tree's share/ folder (language and holiday files), ending
// with "/".
inline std::string ShareDirectory() { return std::string(ORLUND_SOURCE_DIR) + "/share/"; }

[[noreturn]] inline void Abort(const std::string& what) {
  std::fprintf(stderr, "%s\n", what.c_str());
  std::abort();
}

class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string parent = "/dev/shm";
    if (access(parent.c_str(), W_OK) != 0) {
      const char* tmp = std::getenv("TMPDIR");
      parent = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    }
    std::string name = parent + "/orlund-fuzz-XXXXXX";
    if (mkdtemp(name.data()) == nullptr) Abort("cannot create a scratch directory in " + parent);
    path_ = name + "/";
  }
  ~ScratchDirectory() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  // Ends with "/".
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Writes the demo project into `directory` (made when missing).
inline void WriteDemoProject(const std::string& directory) {
  std::string error;
  if (!WriteExampleProject(std::string(ORLUND_SOURCE_DIR) + "/examples", directory, error))
    Abort("cannot write the example project: " + error);
}

}  // namespace orlund::fuzz
