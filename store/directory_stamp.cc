#include "store/directory_stamp.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

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

bool GetNewestDataFileTime(const std::string& directory, DirectoryStamp& stamp) {
  DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
  if (dir == nullptr) {
    if (errno != ENOENT) return false;
    stamp = DirectoryStamp{};
    return true;
  }
  DirectoryStamp result;
  std::vector<std::string> names;
  bool ok = true;
  for (;;) {
    errno = 0;
    dirent* entry = readdir(dir);
    if (entry == nullptr) {
      ok = errno == 0;
      break;
    }
    std::string name = entry->d_name;
    if (!MatchFileName(name, "*.DAT")) continue;
    struct stat st;
    if (fstatat(dirfd(dir), name.c_str(), &st, 0) != 0) {
      if (errno == ENOENT) continue;
      ok = false;
      break;
    }
    if (!S_ISREG(st.st_mode)) continue;
    int64_t mtime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    result.newest_mtime_ns = std::max(result.newest_mtime_ns, mtime);
    names.push_back(std::move(name));
  }
  closedir(dir);
  if (!ok) return false;
  std::sort(names.begin(), names.end());
  result.file_count = static_cast<uint32_t>(names.size());
  result.names_fingerprint = names.empty() ? 0 : Fingerprint(names);
  stamp = result;
  return true;
}

}  // namespace orlund
