#include "store/data_file_names.h"

#include <algorithm>
#include <cerrno>

#include "base/errors.h"
#include "base/file_utils.h"
#include "base/text_case.h"

namespace orlund {

std::string FourDigits(int number) {
  std::string text = "0000" + std::to_string(number);
  return text.substr(text.size() - 4);
}

std::optional<int16_t> FileNameNumber(std::string_view name, size_t prefix_length) {
  if (name.size() < prefix_length + 4) return std::nullopt;
  int value = 0;
  for (char c : name.substr(prefix_length, 4)) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return static_cast<int16_t>(value);
}

std::vector<NumberedFile> ListNumberedFiles(const std::string& directory, std::string_view pattern,
                                            size_t prefix_length, FileSystem& fs) {
  std::vector<NumberedFile> files;
  std::vector<DirectoryEntry> entries;
  int error = fs.ListDirectory(directory, entries);
  // No folder, or a file in its place: no files (a save then fails).
  if (error == ENOENT || error == ENOTDIR) return files;
  if (error != 0) throw FileError(directory, error);
  for (DirectoryEntry& entry : entries) {
    if (entry.type != FileInfo::Type::kRegular || !MatchFileName(entry.name, pattern)) continue;
    if (auto number = FileNameNumber(entry.name, prefix_length)) {
      files.push_back({std::move(entry.name), *number});
    }
  }
  std::sort(files.begin(), files.end(), [](const NumberedFile& a, const NumberedFile& b) {
    int order = CompareIgnoreCase1252(a.name, b.name);
    return order != 0 ? order < 0 : a.name < b.name;
  });
  return files;
}

std::string TableFullLogLine(const std::string& directory, size_t capacity, size_t skipped) {
  return "Table full (" + std::to_string(capacity) + "): " + std::to_string(skipped) +
         " more files in '" + directory + "' not loaded";
}

}  // namespace orlund
