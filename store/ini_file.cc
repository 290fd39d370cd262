#include "store/ini_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "base/file_utils.h"
#include "base/text_case.h"
#include "base/text_utils.h"

namespace orlund {
namespace {

// One line of the text: [begin, end) is its content, `next` the start of the
// following line (after the line end, if any).
struct Line {
  size_t begin;
  size_t end;
  size_t next;
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      lines.push_back({pos, text.size(), text.size()});
      break;
    }
    size_t next = end + 1;
    if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
    lines.push_back({pos, end, next});
    pos = next;
  }
  return lines;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The section name of a header line, or nothing for any other line.
std::optional<std::string_view> HeaderName(std::string_view line) {
  std::string_view rest = Trim(line);
  if (rest.empty() || rest.front() != '[') return std::nullopt;
  size_t close = rest.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(rest.substr(1, close - 1));
}

struct KeyLine {
  std::string_view key;
  size_t equals;  // offset of the "=" in the line
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
  std::string_view rest = Trim(line);
  if (rest.empty() || rest.front() == ';') return std::nullopt;
  size_t equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return KeyLine{Trim(line.substr(0, equals)), equals};
}

// Where `section` and its `key` lie in the text.
struct Location {
  std::optional<size_t> header;  // line index of the section header
  std::optional<size_t> key;     // line index of the key line
  size_t last_filled = 0;        // last non-blank line of the section
};

Location Locate(std::string_view text, const std::vector<Line>& lines, std::string_view section,
                std::string_view key) {
  Location where;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = text.substr(lines[i].begin, lines[i].end - lines[i].begin);
    if (auto name = HeaderName(line)) {
      if (where.header) break;
      if (EqualsIgnoreCase1252(*name, section)) where.header = where.last_filled = i;
      continue;
    }
    if (!where.header) continue;
    if (!Trim(line).empty()) where.last_filled = i;
    if (auto key_line = ParseKeyLine(line); key_line && EqualsIgnoreCase1252(key_line->key, key)) {
      where.key = i;
      break;
    }
  }
  return where;
}

std::string_view LineEndOf(std::string_view text) {
  size_t end = text.find_first_of("\r\n");
  if (end == std::string_view::npos) return "\r\n";
  if (text[end] == '\n') return "\n";
  if (end + 1 < text.size() && text[end + 1] == '\n') return "\r\n";
  return "\r";
}

bool Writable(std::string_view name) {
  return !name.empty() && name.find_first_of(std::string_view("\r\n\0", 3)) == name.npos;
}

bool HeaderLine(std::string_view line) {
  return !line.empty() && line.front() == '[' && line.find(']') != std::string_view::npos;
}

}  // namespace

std::string IniLookup(std::string_view content, std::string_view section, std::string_view key,
                      std::string_view default_value) {
  std::vector<Line> lines = SplitLines(content);
  Location where = Locate(content, lines, section, key);
  std::string_view value = default_value;
  if (where.key) {
    const Line& line = lines[*where.key];
    std::string_view text = content.substr(line.begin, line.end - line.begin);
    value = Trim(text.substr(text.find('=') + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
  } else {
    value = value.substr(0, value.find_last_not_of(' ') + 1);
  }
  return std::string(value.substr(0, kIniValueCapacity));
}

std::optional<std::string> IniSetValue(std::string_view content, std::string_view section,
                                       std::string_view key, std::string_view value) {
  // A name with blanks around it would be written as one that reads back
  // trimmed, so every later write would add it again.
  if (!Writable(section) || section.find(']') != section.npos || Trim(section) != section ||
      !Writable(key) || key.find('=') != key.npos || key.front() == ';' || key.front() == '[' ||
      Trim(key) != key) {
    return std::nullopt;
  }
  value = value.substr(0, value.find_first_of("\r\n"));
  // Blanks in front of a value read as the blanks after the "=": written,
  // they would be kept as such and the value written after them again, so
  // that each write of the same value would add them once more.
  while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
  std::string_view eol = LineEndOf(content);
  std::vector<Line> lines = SplitLines(content);
  Location where = Locate(content, lines, section, key);
  std::string out;
  if (where.key) {
    const Line& line = lines[*where.key];
    size_t keep = line.begin + content.substr(line.begin).find('=') + 1;
    while (keep < line.end && IsBlank(content[keep])) ++keep;
    out.append(content.substr(0, keep));
    out.append(value);
    out.append(content.substr(line.end));
    return out;
  }
  std::string key_line = std::string(key) + "=" + std::string(value);
  if (where.header) {
    const Line& after = lines[where.last_filled];
    out.append(content.substr(0, after.next));
    if (after.next == after.end) out.append(eol);  // the last line had no line end
    out.append(key_line).append(eol);
    out.append(content.substr(after.next));
    return out;
  }
  out.assign(content);
  if (!lines.empty() && lines.back().next == lines.back().end) out.append(eol);
  out.append("[").append(section).append("]").append(eol);
  out.append(key_line).append(eol);
  return out;
}

std::string IniSectionLines(std::string_view content, std::string_view section,
                            int32_t buffer_length) {
  std::string wanted = UpperCase1252(section);
  LineReader reader{std::string(content)};
  std::string line;
  bool found = false;
  while (!found && reader.Next(line)) {
    found = HeaderLine(line) && UpperCase1252(line.substr(1, line.find(']') - 1)) == wanted;
  }
  std::string out;
  if (!found) return out;
  bool full = false;
  while (reader.Next(line) && !HeaderLine(line)) {
    if (line.empty() || line.front() == ';') continue;
    if (!full && static_cast<int64_t>(out.size() + line.size()) + 1 < buffer_length) {
      out.append(line).push_back('\0');
    } else {
      full = true;
    }
  }
  return out;
}

std::string IniSectionNames(std::string_view content, int32_t buffer_length) {
  std::string names;
  for (const Line& line : SplitLines(content)) {
    if (auto name = HeaderName(content.substr(line.begin, line.end - line.begin))) {
      names.append(*name).push_back('\0');
    }
  }
  if (static_cast<int64_t>(names.size()) + 1 >= buffer_length) {
    names.resize(buffer_length > 2 ? static_cast<size_t>(buffer_length - 2) : 0);
  }
  return names;
}

std::string ReadIniValue(const std::string& project_dir, std::string_view section,
                         std::string_view key, std::string_view default_value,
                         std::string_view file) {
  auto content = ReadFileBytes(project_dir + std::string(file));
  return IniLookup(content ? *content : std::string_view(), section, key, default_value);
}

bool WriteIniValue(const std::string& project_dir, std::string_view section, std::string_view key,
                   std::string_view value, std::string_view file) {
  std::string path = project_dir + std::string(file);
  std::string content;
  if (auto bytes = ReadFileBytes(path)) {
    content = std::move(*bytes);
  } else {
    struct stat st;
    if (stat(path.c_str(), &st) == 0 || errno != ENOENT) return false;
  }
  auto changed = IniSetValue(content, section, key, value);
  if (!changed) return false;
  if (*changed == content) return true;  // same value: leave the file's time alone
  return WriteFileAtomically(path, *changed);
}

std::string ReadIniSection(std::string_view section, int32_t buffer_length,
                           const std::string& path) {
  auto content = ReadFileBytes(path);
  return content ? IniSectionLines(*content, section, buffer_length) : std::string();
}

std::string ReadIniSectionNames(const std::string& path, int32_t buffer_length) {
  auto content = ReadFileBytes(path);
  return content ? IniSectionNames(*content, buffer_length) : std::string();
}

}  // namespace orlund
