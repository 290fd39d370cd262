#include "schedule/calendar.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/file_utils.h"

namespace orlund {

namespace {

[[noreturn]] void ThrowFileError(int error, const std::string& what, const std::string& path) {
  throw std::system_error(error != 0 ? error : EIO, std::generic_category(),
                          what + " '" + path + "'");
}

// The file's bytes, or nothing when no regular file of that name exists.
// A file that exists but cannot be read raises std::system_error.
std::optional<std::string> ReadExistingFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  errno = 0;
  std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) ThrowFileError(errno, "cannot read calendar file", path);
  return bytes;
}

}  // namespace

std::string GlobalCalendarPath(std::string_view project_directory) {
  return std::string(project_directory) + "Profiles/GlobalCalendar.dat";
}

size_t cCalendar::DayIndex(int32_t the_day) {
  if (the_day < 0 || the_day >= kCalendarDayCount) {
    throw SubscriptError("day index " + std::to_string(the_day) + " outside 0..14609");
  }
  return static_cast<size_t>(the_day);
}

void cCalendar::SetDayType(int32_t the_day, int16_t day_type) {
  m_DayTypeOfDay[DayIndex(the_day)] = day_type;
}

int16_t cCalendar::GetDayType(int32_t the_day) const { return m_DayTypeOfDay[DayIndex(the_day)]; }

std::string cCalendar::EncodeEntries() const {
  ByteWriter out;
  for (int16_t entry : m_DayTypeOfDay) out.Int16(entry);
  return out.Take();
}

int32_t cCalendar::DecodeEntries(std::string_view bytes) {
  ByteReader in(bytes);
  size_t whole = std::min(bytes.size() / 2, static_cast<size_t>(kCalendarDayCount));
  for (size_t d = 0; d < whole; ++d) m_DayTypeOfDay[d] = in.Int16();
  return static_cast<int32_t>(whole);
}

bool cCalendar::ReadFromDisk(const std::string& calendar_name) {
  std::optional<std::string> bytes = ReadExistingFile(calendar_name);
  if (!bytes) return false;
  DecodeEntries(*bytes);
  return true;
}

bool cCalendar::SaveToDisk(const std::string& calendar_name) const {
  SaveEntries(calendar_name, EncodeEntries());
  return true;
}

void cCalendar::SaveEntries(const std::string& calendar_name, std::string content) {
  // The alarm server's tools may keep data of their own behind the entries.
  std::optional<std::string> old = ReadExistingFile(calendar_name);
  if (old && old->size() > kCalendarFileSize) content.append(*old, kCalendarFileSize);
  errno = 0;
  if (!WriteFileAtomically(calendar_name, content)) {
    ThrowFileError(errno, "cannot write calendar file", calendar_name);
  }
}

}  // namespace orlund
