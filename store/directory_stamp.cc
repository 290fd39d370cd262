#include "store/directory_stamp.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "base/file_utils.h"

namespace orlund {
namespace {

// 64-bit FNV-1a over each name and a byte 0 after it.
uint64_t Fingerprint(const std::vector<std::string>& names) {
  uint64_t hash = 14695981039346656037ULL;
  for (const std::string& name : names) {
    for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ULL;
    hash *= 1099511628211ULL;
  }
  return hash;
}

}  // namespace

bool GetNewestDataFileTime(const std::string& directory, DirectoryStamp& stamp, FileSystem& fs) {
  std::vector<DirectoryEntry> entries;
  int error = fs.ListDirectory(directory, entries);
  if (error == ENOENT) {
    stamp = DirectoryStamp{};
    return true;
  }
  if (error != 0) return false;
  DirectoryStamp result;
  std::vector<std::string> names;
  for (DirectoryEntry& entry : entries) {
    if (entry.type != FileInfo::Type::kRegular || !MatchFileName(entry.name, "*.DAT")) continue;
    FileInfo info;
    error = fs.Stat(directory + "/" + entry.name, info);
    if (error == ENOENT) continue;
    if (error != 0) return false;
    if (info.type != FileInfo::Type::kRegular) continue;
    result.newest_mtime_ns = std::max(result.newest_mtime_ns, info.identity.mtime_ns);
    names.push_back(std::move(entry.name));
  }
  std::sort(names.begin(), names.end());
  result.file_count = static_cast<uint32_t>(names.size());
  result.names_fingerprint = names.empty() ? 0 : Fingerprint(names);
  stamp = result;
  return true;
}

}  // namespace orlund
