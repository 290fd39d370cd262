#pragma once
// A fresh project directory for tests of the data files (a TestTempDir) with
// small helpers to put and inspect files.

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "testing/test_temp_dir.h"

namespace orlund::testing {

class ProjectDir {
 public:
  // Ends with "/".
  const std::string& path() const { return dir_.path(); }

  // Writes `bytes` to `relative` (parent directories created).
  void Put(const std::string& relative, std::string_view bytes) const {
    std::filesystem::path file(path() + relative);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  std::string Get(const std::string& relative) const {
    std::ifstream in(path() + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  bool Has(const std::string& relative) const { return std::filesystem::exists(path() + relative); }

  // Permission bits of `relative`.
  void SetMode(const std::string& relative, mode_t mode) const {
    ::chmod((path() + relative).c_str(), mode);
  }
  mode_t Mode(const std::string& relative) const {
    struct stat st {};
    ::stat((path() + relative).c_str(), &st);
    return st.st_mode & 07777;
  }

  // Names of the entries of `relative`, sorted.
  std::vector<std::string> List(const std::string& relative) const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path() + relative, ec)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  TestTempDir dir_;
};

}  // namespace orlund::testing
