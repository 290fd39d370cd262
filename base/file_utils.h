#pragma once
// File access at the edge of the data store: whole-file reads, atomic
// replacement, and the directory listings by pattern that the data files use.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlund {

// Matches a file name against a pattern of "?" (exactly one character) and
// "*" (any run, also none), without regard to letter case (Windows-1252).
bool MatchFileName(std::string_view name, std::string_view pattern);

// Names (not paths) of the regular files in `directory` whose names match
// `pattern`, in the order the file system lists them. A missing or
// unreadable directory gives an empty list.
std::vector<std::string> ListMatchingFiles(const std::string& directory, std::string_view pattern);

// True when `path` names a regular file; its last component may hold the
// wildcards of MatchFileName, and then true when any file matches. A
// directory, a missing path or an error give false.
bool FileExists(const std::string& path);

// The whole content of a regular file, or nothing when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& path);

// Replaces `path` with `bytes` so that a crash leaves either the old or the
// new content: write to a temporary name beside it (one that matches no data
// file pattern), fsync, rename over `path`, fsync the directory. Returns
// false, and leaves `path` as it was, when any step fails.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

// fsync of a directory, so that renames and deletions in it are durable.
bool SyncDirectory(const std::string& directory);

// The directory part of a path, with its trailing "/" ("a/b/c" -> "a/b/"),
// or "./" when there is none.
std::string DirectoryOf(const std::string& path);

}  // namespace orlund
