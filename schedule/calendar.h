#pragma once
// A calendar assigns a day type to single dates from 1 January 2000 (day
// index 0) to 31 December 2039 (day index 14609). Each day holds a 16-bit
// entry: 0 for no assignment (the date counts as its weekday), otherwise the
// day type plus 1. The calendar file is the 14610 entries in day order, two
// bytes each, least significant byte first: 29220 bytes, no header.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "schedule/time_schedule.h"

namespace orlund {

inline constexpr int32_t kCalendarDayCount = 14610;
inline constexpr size_t kCalendarFileSize = 2 * kCalendarDayCount;
// Serial day number (whole days since 30 December 1899) of day index 0.
inline constexpr int32_t kCalendarFirstSerialDay = 36526;

// The global calendar's file: "Profiles/GlobalCalendar.dat" under the
// project directory, which ends with "/".
std::string GlobalCalendarPath(std::string_view project_directory);

// Names a holiday for the calendar view. Nothing reads or writes m_DayType.
struct cHolidayLabel {
  int16_t m_Day = 0;  // day index
  int16_t m_DayType = 0;
  int16_t m_ViewInCalendar = 0;  // Boolean: -1 true, 0 false
  std::string m_Label;
};

class cCalendar {
 public:
  // Every entry 0, every usage flag false.
  cCalendar() = default;
  cCalendar(const cCalendar&) = delete;
  cCalendar& operator=(const cCalendar&) = delete;

  // Month view fields, set by the host or computed by the view.
  int32_t m_SelectedMonth = 0;  // 1..12
  int32_t m_SelectedYear = 0;
  int32_t m_ActualMonthOffset = 0;          // day index of the shown month's 1st
  int32_t m_FirstWeekDayInActualMonth = 0;  // 0 Monday .. 6 Sunday
  int32_t m_DaysInActualMonth = 0;
  int32_t m_TodaysDayOffset = 0;  // day index of today
  int16_t m_ShowTimeAxis = 0;     // Boolean
  // Schedule whose periods the view paints; not owned, may be null.
  cTimeSchedule* m_AssociatedTimeSchedule = nullptr;

  // Nothing sets the usage flags; kept so that IsDayTypeUsed has its meaning.
  void notused_CalcIfDayTypeIsUsed() {}
  // The usage flag of a day type (always 0); SubscriptError outside 0..22.
  int16_t IsDayTypeUsed(int day_type) const;

  // Entries of day indexes 0..14609, values unvalidated. SubscriptError
  // outside that range, with nothing changed.
  void SetDayType(int32_t the_day, int16_t day_type);
  int16_t GetDayType(int32_t the_day) const;

  // Reads the calendar file at `calendar_name` (a full path). Returns false,
  // entries unchanged, when no regular file of that name exists. A file
  // shorter than 29220 bytes gives the whole entries it holds and leaves the
  // later days as they were; bytes beyond 29220 are ignored. A file that
  // exists but cannot be read raises std::system_error, entries unchanged.
  bool ReadFromDisk(const std::string& calendar_name);

  // Replaces the file with the 29220 bytes of the entries, atomically, and
  // returns true. Bytes an existing file held beyond its first 29220 are
  // kept after the entries. Raises std::system_error when the old file
  // cannot be read or the new one cannot be written; the old file then stays.
  bool SaveToDisk(const std::string& calendar_name) const;

  // True when the file holds exactly this calendar's entries in its first
  // 29220 bytes. False for a missing or shorter file; std::system_error when
  // it exists but cannot be read.
  bool CompareToDisk(const std::string& calendar_name) const;

  // True when every entry equals the other calendar's.
  bool CompareToOtherCalendar(const cCalendar& other) const;

  // The entries as the 29220 bytes of the calendar file.
  std::string EncodeEntries() const;
  // Takes entries from the front of `bytes`, whole entries only and at most
  // 14610; later days keep their entries. Returns the number taken.
  int32_t DecodeEntries(std::string_view bytes);
  // True when `bytes` starts with this calendar's 29220 bytes.
  bool EntriesEqual(std::string_view bytes) const;

  // Month view operations belong here: RecalculateAndPrepareToPaint, Paint,
  // PaintDateBox, MouseDown, MouseMove, MouseUp and the hit test
  // CalcDayFromPosition, with their state (m_MouseButton, m_PaintDayType,
  // m_LastHoveredDay).

 private:
  static size_t DayIndex(int32_t the_day);

  std::array<int16_t, kCalendarDayCount> m_DayTypeOfDay{};
  std::array<int16_t, kDayTypeCount> m_DayTypeUsed{};
};

}  // namespace orlund
