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

class CalendarHost;
class DrawingSurface;

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
  // The same with entries taken before (EncodeEntries), for a write away
  // from the calendar.
  static void SaveEntries(const std::string& calendar_name, std::string entries);

  // The entries as the 29220 bytes of the calendar file.
  std::string EncodeEntries() const;
  // Takes entries from the front of `bytes`, whole entries only and at most
  // 14610; later days keep their entries. Returns the number taken.
  int32_t DecodeEntries(std::string_view bytes);

  // The month view (calendar_view.cc): seven weekday columns 40 units wide
  // from x = 30 and six week rows 25 units high from y = 20. Day d of the
  // month (0 for the 1st) sits at position p = first weekday + d, column
  // p % 7, row p / 7. Days outside the calendar's range raise SubscriptError.

  // From m_SelectedMonth and m_SelectedYear: the day index, first weekday
  // and length of the shown month, today's day index (local date), and no
  // day type being painted. The arguments are not used.
  void RecalculateAndPrepareToPaint(CalendarHost* parent, DrawingSurface* paint_object);
  // Grid, column headers (language texts 611..617), month title (through
  // the host), week numbers and every date box.
  void Paint(CalendarHost& parent, DrawingSurface& surface);
  // One date box: background, Sunday or holiday strip, today strip, day
  // number, the assigned day type's label or image, and the schedule's
  // periods of that date when the time axis is shown.
  void PaintDateBox(CalendarHost& parent, DrawingSurface& surface,
                    int32_t date_to_paint_in_actual_month);
  // Paints the host's selected day-type entry onto the date under (x, y).
  void MouseDown(CalendarHost& parent, DrawingSurface& surface, int16_t button, int16_t shift,
                 float x, float y);
  // On entering a date box: paints it while a button is held, and sets the
  // tooltip to the day type's list item and holiday label. Errors of any
  // step are ignored and the next step runs.
  void MouseMove(CalendarHost& parent, DrawingSurface& surface, int16_t button, int16_t shift,
                 float x, float y);
  void MouseUp(int16_t button, int16_t shift, float x, float y);
  // The day of the shown month under (x, y), or -1 outside the grid or on a
  // box of no date.
  int32_t CalcDayFromPosition(float x, float y) const;

  int16_t MouseButton() const { return m_MouseButton; }
  int16_t PaintDayType() const { return m_PaintDayType; }

 private:
  static size_t DayIndex(int32_t the_day);

  std::array<int16_t, kCalendarDayCount> m_DayTypeOfDay{};

  // Month view state, never persisted.
  int16_t m_MouseButton = 0;
  int16_t m_PaintDayType = -1;    // day-type entry being painted, -1 none
  int32_t m_LastHoveredDay = -1;  // date box under the pointer at the last move
};

}  // namespace orlund
