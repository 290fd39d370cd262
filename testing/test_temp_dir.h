#pragma once
// A fresh directory under /tmp for one test, removed with everything in it
// when the test ends. Its path ends with "/".

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace orlund {

class TestTempDir {
 public:
  TestTempDir() {
    char templ[] = "/tmp/orlund_test_XXXXXX";
    const char* made = mkdtemp(templ);
    path_ = std::string(made ? made : "/tmp") + "/";
  }
  ~TestTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TestTempDir(const TestTempDir&) = delete;
  TestTempDir& operator=(const TestTempDir&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace orlund
