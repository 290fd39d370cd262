#pragma once
// A fresh directory under /tmp for one test, removed with everything in it
// when the test ends (its path ends with "/"), and small helpers to put and
// inspect files.

#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace orlund {
namespace testing {

// Writes `bytes` to `path`, creating its parent directories.
inline void WriteFile(const std::string& path, std::string_view bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The bytes of `path`; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool PathExists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace testing

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

  // Files by their path relative to the directory.
  void Put(const std::string& relative, std::string_view bytes) const {
    testing::WriteFile(path_ + relative, bytes);
  }
  std::string Get(const std::string& relative) const { return testing::ReadFile(path_ + relative); }
  bool Has(const std::string& relative) const { return testing::PathExists(path_ + relative); }
  void SetMode(const std::string& relative, mode_t mode) const {
    ::chmod((path_ + relative).c_str(), mode);
  }
  mode_t Mode(const std::string& relative) const {
    struct stat st {};
    ::stat((path_ + relative).c_str(), &st);
    return st.st_mode & 07777;
  }
  // Names of the entries of a folder, sorted.
  std::vector<std::string> List(const std::string& relative) const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path_ + relative, ec)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};

}  // namespace orlund
