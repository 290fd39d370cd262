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
// new content: a set of one of StagedFiles (base/staged_files.h), which also
// keeps a replaced file's permission bits. Returns false with errno set when
// a step fails; `path` is then as it was, unless only the final sync of the
// directory failed.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

// The directory part of a path, with its trailing "/" ("a/b/c" -> "a/b/"),
// or "./" when there is none.
std::string DirectoryOf(const std::string& path);

}  // namespace orlund
