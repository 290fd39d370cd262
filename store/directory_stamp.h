#pragma once
// A stamp of the "*.DAT" files of a data directory, so that the timer notices
// when the alarm server changed, added, removed or renamed one of them.

#include <cstdint>
#include <string>

#include "base/file_system.h"

namespace orlund {

// The newest modification time of the matching files (nanoseconds since the
// epoch) with a fingerprint and the count of their names, so that removing or
// renaming a file changes the stamp even when no time grows. Two stamps are
// equal when nothing the stamp sees has changed; default-constructed (zero)
// is the stamp of a directory without matching files.
struct DirectoryStamp {
  int64_t newest_mtime_ns = 0;
  uint64_t names_fingerprint = 0;
  uint32_t file_count = 0;

  bool operator==(const DirectoryStamp&) const = default;
};

// Stamps the regular files of `directory` (a path without a trailing "/")
// whose names match "*.DAT" without regard to letter case. A missing
// directory stamps as zero. True on success; false, with `stamp` unchanged,
// when the directory cannot be listed or a file's time cannot be read (a file
// that disappears while it is being stamped is left out).
bool GetNewestDataFileTime(const std::string& directory, DirectoryStamp& stamp,
                           FileSystem& fs = DefaultFileSystem());

}  // namespace orlund
