#include "base/file_utils.h"

#include <cerrno>

#include "base/file_system.h"
#include "base/staged_files.h"
#include "base/text_case.h"

namespace orlund {

bool MatchFileName(std::string_view name, std::string_view pattern) {
  // Iterative glob with one back-track point for the last "*".
  size_t n = 0, p = 0, star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || UpperCase1252(pattern[p]) == UpperCase1252(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string> ListMatchingFiles(const std::string& directory, std::string_view pattern) {
  std::vector<DirectoryEntry> entries;
  std::vector<std::string> names;
  if (DefaultFileSystem().ListDirectory(directory, entries) != 0) return names;
  for (DirectoryEntry& entry : entries) {
    if (entry.type == FileInfo::Type::kRegular && MatchFileName(entry.name, pattern)) {
      names.push_back(std::move(entry.name));
    }
  }
  return names;
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "./";
  return path.substr(0, slash + 1);
}

bool FileExists(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
  if (last.find_first_of("*?") != std::string::npos) {
    return !ListMatchingFiles(DirectoryOf(path), last).empty();
  }
  FileInfo info;
  return DefaultFileSystem().Stat(path, info) == 0 && info.type == FileInfo::Type::kRegular;
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
  std::string bytes;
  FileIdentity identity;
  if (DefaultFileSystem().ReadFile(path, bytes, identity) != 0) return std::nullopt;
  return bytes;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
  const size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  int error_number = 0;
  {
    StagedFiles file(DefaultFileSystem(), DirectoryOf(path));
    if (file.Stage(name, bytes) && file.Commit()) return true;
    error_number = file.error_number();
  }
  errno = error_number;
  return false;
}

}  // namespace orlund
