#pragma once
// INI files: sections in square brackets followed by key=value lines, lines
// beginning with ";" being comments. The pure functions work on the file's
// text; the I/O functions read the file afresh on every call (the alarm
// server may change it at any time) and replace it atomically on a write.
//
// Value lookups and writes follow the profile-file rules the callers rely
// on: a section header is a line whose first non-blank character is "[",
// its name the text up to the first "]" with blanks trimmed; section and key
// names match without regard to letter case (Windows-1252); a key line is a
// non-comment line holding "=", its key the text before the first "=" and
// its value the text after it, both with surrounding blanks (space, tab)
// removed, and then one pair of double quotes around the whole value removed.
// A default value comes back with its trailing spaces removed. Only the first
// section of a name is looked at; keys above the first section belong to none.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orlund {

// The longest value a lookup returns; longer values are cut.
inline constexpr size_t kIniValueCapacity = 2047;

// The value of `key` in `section` of the INI text `content` without
// surrounding quotes, or `default_value` without trailing spaces when the
// section or key is missing; cut to 2047 bytes.
std::string IniLookup(std::string_view content, std::string_view section, std::string_view key,
                      std::string_view default_value);

// `content` with `key` in `section` set to `value`. An existing key line
// keeps everything up to and including the "=" and the blanks after it, and
// gets the new value; a missing key is added after the last non-blank line of
// its section; a missing section is added directly after the last line of
// the text, which first gets a line end when it has none. Added lines end
// with the text's line-end convention (its first line end; CR LF for a text
// without one); all other bytes stay as they were. `value` is written up
// to its first CR or LF and without the blanks it begins with, the only
// part a reader can read back; writing a value that is there changes
// nothing.
// Nothing when the names cannot be written as a line: an empty name, a line
// end or byte 0 in a name, "]" in the section, "=" in the key, a key
// beginning with ";" or "[", a section or key with surrounding blanks.
std::optional<std::string> IniSetValue(std::string_view content, std::string_view section,
                                       std::string_view key, std::string_view value);

// The lines of `section` as the section reader copies them: the first line
// that begins with "[", holds "]", and whose text between "[" and the first
// "]" equals `section` once both are upper-cased starts the section; each
// following line up to the next such header line that is neither empty nor
// begins with ";" is copied followed by one byte 0 while
// p + its length + 1 < `buffer_length` (p the bytes copied so far); after the
// first line that does not fit, no later line is copied, even a shorter one.
std::string IniSectionLines(std::string_view content, std::string_view section,
                            int32_t buffer_length);

// The section names of `content` in file order, duplicates included, each
// followed by one byte 0. When they and the closing byte 0 fill
// `buffer_length` exactly or do not fit it, the list is cut to
// `buffer_length` - 2 bytes (the last name cut short or losing its byte 0, as
// the Windows lookup does); below 3, empty.
std::string IniSectionNames(std::string_view content, int32_t buffer_length);

// ReadIniValue and WriteIniValue work on the file `project_dir` + `file`
// (`project_dir` ends with "/"). A missing or unreadable file reads as
// `default_value`.
std::string ReadIniValue(const std::string& project_dir, std::string_view section,
                         std::string_view key, std::string_view default_value,
                         std::string_view file);
// Creates the file, the section or the key when missing. False when the file
// exists but cannot be read, the names are unusable (see IniSetValue) or the
// write fails; the file is then unchanged.
bool WriteIniValue(const std::string& project_dir, std::string_view section, std::string_view key,
                   std::string_view value, std::string_view file);

// IniSectionLines of the file at `path`; empty when it cannot be read.
std::string ReadIniSection(std::string_view section, int32_t buffer_length,
                           const std::string& path);

// IniSectionNames of the file at `path`; empty when it cannot be read.
std::string ReadIniSectionNames(const std::string& path, int32_t buffer_length = 4096);

}  // namespace orlund
