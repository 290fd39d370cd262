// The INI functions on any text. The input is a section name, a key and a
// value (each after its length: one byte, one byte, two bytes), a buffer
// length (two bytes), then the file's text. Lookups stay within their
// capacity and buffers; a value written reads back as written, and writing
// it again changes nothing.

#include "fuzz/fuzz_check.h"
#include "store/ini_file.h"

using namespace orlund;

namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// What a lookup gives for a value written as `value`: the part before its
// first line end, blanks trimmed, one pair of surrounding quotes removed.
std::string ValueAsRead(std::string_view value) {
  value = TrimBlanks(value.substr(0, value.find_first_of("\r\n")));
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  return std::string(value.substr(0, kIniValueCapacity));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in(fuzz::Bytes(data, size));
  const std::string_view section = in.Text(in.Byte());
  const std::string_view key = in.Text(in.Byte());
  const std::string_view value = in.Text(in.Word());
  const int32_t buffer_length = in.Word();
  const std::string_view content = in.Rest();

  const std::string found = IniLookup(content, section, key, value);
  FUZZ_CHECK(found.size() <= kIniValueCapacity);

  const std::string lines = IniSectionLines(content, section, buffer_length);
  FUZZ_CHECK(lines.empty() || static_cast<int64_t>(lines.size()) < buffer_length);
  FUZZ_CHECK(lines.empty() || lines.back() == '\0');
  FUZZ_CHECK(lines.find_first_of("\r\n") == std::string::npos);

  const std::string names = IniSectionNames(content, buffer_length);
  FUZZ_CHECK(static_cast<int64_t>(names.size()) + 1 < buffer_length ||
             static_cast<int64_t>(names.size()) == std::max(buffer_length - 2, 0));

  const std::optional<std::string> written = IniSetValue(content, section, key, value);
  if (!written) return 0;
  FUZZ_CHECK(IniLookup(*written, section, key, "absent") == ValueAsRead(value));
  FUZZ_CHECK(IniSetValue(*written, section, key, value) == written);
  return 0;
}
