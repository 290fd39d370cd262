#pragma once
// The weekly time schedule of a profile. For each of the 23 day types (0..6
// Monday to Sunday, 7..22 the sixteen special day types) it holds whether the
// day type is in use, whether it belongs to the edit group, its periods in the
// order they were added, and the view row it is painted on. It persists as a
// block of 16-bit fields inside the profile file and travels to clients as
// the period array, a string of two characters per 16-bit value.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"

namespace orlund {

class cCalendar;
class DrawingSurface;
class ScheduleHost;

inline constexpr int kDayTypeCount = 23;
inline constexpr int kWeekdayCount = 7;

// The time text of a minute value as the period text boxes show it: hours
// (minute / 60) and minutes (minute % 60), each the last two characters of
// "00" and the number. 450 gives "07:30", 1440 "24:00".
std::string MinutesToTimeText(int32_t minute);

// One period of a day type: minutes after midnight, 1440 standing for 24:00.
// Values are stored as given; the editing operations keep start <= stop.
class cTimeSchedulePeriod {
 public:
  cTimeSchedulePeriod() = default;
  cTimeSchedulePeriod(int16_t start_minute, int16_t stop_minute)
      : m_StartMinute(start_minute), m_StopMinute(stop_minute) {}

  int16_t m_StartMinute = 0;
  int16_t m_StopMinute = 0;
};

// Booleans are 16-bit: -1 true, 0 false. Flags read from a file or a period
// array keep whatever value they held there. Every operation that takes a
// day type raises SubscriptError outside 0..22 and then has changed nothing.
class cTimeSchedule {
 public:
  // The schedule owns its periods; each keeps its address for its whole life,
  // so a caller may hold on to a period and compare periods by identity.
  using PeriodList = std::vector<std::unique_ptr<cTimeSchedulePeriod>>;

  // Day types 0..6 active, everything else false, 0, empty or none.
  cTimeSchedule();
  cTimeSchedule(const cTimeSchedule&) = delete;
  cTimeSchedule& operator=(const cTimeSchedule&) = delete;

  // Rows the schedule view paints; never persisted.
  int16_t m_NumberOfAxisToPaint = 0;
  // The profile uses the calendar's special day types (Boolean).
  int16_t m_UseCalendar = 0;

  // The period that follows `last_time_period` (the same object) in the day
  // type's list, or the first one when it is null; null at the end, when
  // `last_time_period` is not in that list, or when the day type is not
  // active. A period found is also copied to `start_time` and `stop_time`,
  // which are left alone otherwise. SubscriptError outside 0..22.
  const cTimeSchedulePeriod* GetNextTimePeriod(int day_type, int16_t& start_time,
                                               int16_t& stop_time,
                                               const cTimeSchedulePeriod* last_time_period) const;
  // Takes a calendar and does nothing.
  void notused_ActivateUsedPeriods(const cCalendar* /*actual_calendar*/) {}

  // Appends the file block: per day type active, grouped, period count, each
  // period's start and stop, axis; then m_UseCalendar. 186 + 4 x P bytes.
  // A day type with more than 32767 periods raises OverflowError before
  // anything is written.
  void SaveToDisk(ByteWriter& out) const;

  // Reads a file block from the reader's position, values unvalidated. A
  // count of 0 or less leaves the day type without periods. Raises
  // TruncatedError when the data ends early: day types read before stay as
  // read, the day type being read keeps the periods appended so far. Periods
  // are created only as their bytes arrive, whatever count the block declares.
  void ReadFromDisk(ByteReader& in);

  // The period array: the file block's values in the same order, each as two
  // characters (high byte, then low byte). 186 + 4 x P characters. Raises
  // OverflowError like SaveToDisk.
  std::string ComposePeriodArray() const;

  // Fills the schedule from a period array; each day type's list is emptied
  // before its values are read. A string that ends early raises
  // InvalidArgumentError at the first missing character, with the same
  // partial state as ReadFromDisk.
  void ExtractPeriodArray(std::string_view period_array);

  // Stores true (-1) for any non-zero state, else false. Returns 0.
  int16_t SetActive(int day_type, int32_t state);
  int16_t GetActive(int day_type) const;

  // Editing (schedule_editing.cc). The operations act on the selected day
  // type and period, repaint the rows they change on `surface` (nothing is
  // drawn when it is null) and raise the host's and the surface's errors.
  // Copying a list to another day type empties the target first and gives
  // it new periods with the same times, in list order.

  // Holds the selected day type for Paste.
  void Copy();
  // Copies the held day type's periods and grouped flag to the selected day
  // type and merges them. Nothing when no day type is selected or it is the
  // held one; SubscriptError when nothing is held.
  void Paste(ScheduleHost& parent, DrawingSurface* surface);
  // Removes the selected period (clearing both period texts) when it is in
  // the selected day type; either way the day type leaves the edit group and
  // is deselected.
  void Delete(ScheduleHost& parent, DrawingSurface* surface);
  // Replaces the selected day type's periods by one period 00:00-24:00; the
  // day type leaves the edit group and is deselected.
  void SetTimeFrom00to24(ScheduleHost& parent, DrawingSurface* surface);
  // Takes the typed start and stop times (TimeTextToMinutes, exchanged when
  // the stop comes first) into the selected period, writes them back as time
  // texts, merges, repaints and copies the day type to its edit group.
  void ExtractTimeFromTextboxes(ScheduleHost& parent, DrawingSurface* surface);
  // Toggles the selected day type's membership of the edit group; joining
  // copies the periods of the lowest other member. SubscriptError when no
  // day type is selected.
  void Group(ScheduleHost& parent, DrawingSurface* surface);
  // Groups exactly Monday to Friday (copying Monday's periods to the others)
  // when the host's menu entry reads unchecked, else empties the group; then
  // repaints the whole view.
  void GroupMonFri(ScheduleHost& parent, DrawingSurface* surface);
  // Merges every period B that starts within a period A (start <= B.start
  // <= stop, touching included) into A, pass after pass until none merges.
  // A keeps its start; a merged-away selected period hands the selection to
  // A. Nothing for -1 (no day type).
  void MergeOverlappingPeriods(int day_type);
  // When the day type is grouped: copies its list to every other grouped day
  // type, merging and repainting each. Nothing for -1 (no day type).
  void CopyPeriodsToGroup(ScheduleHost& parent, DrawingSurface* surface, int day_type);

  // The view (schedule_view.cc): one row per active day type, 25 units
  // apart, the hours from x = 30 to 318 at 12 units per hour. Drawing on a
  // null surface does nothing.

  // Lays out rows, scroll bar and picture through the host and sets the row
  // of every day type. `paint_object` is the caller's surface variable; it
  // takes `schedule_paint_object` when it is null.
  void RecalculateAndPrepareToPaint(ScheduleHost& parent, DrawingSurface*& paint_object,
                                    DrawingSurface* schedule_paint_object);
  // Grid, row separators and every active day type's row.
  void Paint(ScheduleHost& parent, DrawingSurface* surface);
  // The row of one day type: background, period bars, label, name, group
  // marker. A day type that is not active has no row and is not drawn.
  // Nothing for -1; SubscriptError outside 0..22.
  void PaintAxis(ScheduleHost& parent, DrawingSurface* surface, int day_type);
  // Button 1 selects the day type and period under the pointer and starts
  // a drag (moving a start or stop within 15 minutes, else creating);
  // button 2 sets the popup menu states.
  void MouseDown(ScheduleHost& parent, DrawingSurface* surface, int16_t button, int16_t shift,
                 float x, float y);
  // Carries on a drag: a creation starts once the pointer is 6 minutes away.
  void MouseMove(ScheduleHost& parent, DrawingSurface* surface, int16_t button, int16_t shift,
                 float x, float y);
  // Ends a drag: copies to the edit group, merges and repaints.
  void MouseUp(ScheduleHost& parent, DrawingSurface* surface, int16_t button, int16_t shift,
               float x, float y);
  // The minute under (x, y), shown through Set_Text_Schedule_Time, and its
  // row through `row`; or -3 above, below or on the top margin, -2 left of
  // the time area, -1 right of it. Minutes are clamped to 0..1440.
  int32_t CalcMinuteFromPosition(ScheduleHost& parent, float x, float y, int32_t& row);

  // Editing and view state, for hosts and tests.
  int32_t SelectedDayType() const { return m_SelectedDayType; }
  const cTimeSchedulePeriod* SelectedPeriod() const { return m_SelectedPeriod; }
  int32_t CopiedDayType() const { return m_CopiedDayType; }
  int32_t EditStartMinute() const { return m_EditStartMinute; }
  int32_t EditStopMinute() const { return m_EditStopMinute; }
  int16_t DragMode() const { return m_DragMode; }
  const cTimeSchedulePeriod* DragPeriod() const { return m_DragPeriod; }

  // Plain access to the persisted per-day-type fields.
  int16_t GetGrouped(int day_type) const;
  void SetGrouped(int day_type, int32_t state);  // -1 for non-zero, else 0
  int16_t GetAxis(int day_type) const;
  void SetAxis(int day_type, int16_t axis);
  const PeriodList& GetPeriods(int day_type) const;
  // Appends a new period at the end of the day type's list and returns it.
  cTimeSchedulePeriod& AppendPeriod(int day_type, int16_t start_minute, int16_t stop_minute);
  // Total number of periods over all day types.
  size_t PeriodCount() const;

 private:
  static size_t Index(int day_type);
  // Empties a day type's list, dropping editing references into it first.
  void ClearPeriods(size_t day);
  // Removes one period, dropping editing references to it.
  void RemovePeriodAt(size_t day, size_t position);
  // Empties `to` and appends a copy of each period of `from`.
  void CopyPeriodList(size_t from, size_t to);
  // The day type painted on `row`: the (row + 1)-th active one, or -1.
  int ActiveDayTypeAtRow(int32_t row) const;
  // Horizontal position of a minute: 30 + minute x zoom / 5, ties to even.
  int32_t MinuteToX(int32_t minute) const;
  // Raises OverflowError when a list's size does not fit the 16-bit count.
  void CheckCountsFit() const;

  std::array<int16_t, kDayTypeCount> m_DayTypeActive{};
  std::array<int16_t, kDayTypeCount> m_DayTypeGrouped{};
  std::array<PeriodList, kDayTypeCount> m_Periods;
  std::array<int16_t, kDayTypeCount> m_DayTypeAxis{};

  // Editing state of the schedule editor, never persisted.
  int32_t m_SelectedDayType = -1;
  cTimeSchedulePeriod* m_SelectedPeriod = nullptr;  // a period of the selected day type
  int32_t m_CopiedDayType = -1;
  int32_t m_EditStartMinute = 0;
  int32_t m_EditStopMinute = 0;

  // View state of the schedule editor, never persisted.
  float m_Zoom = 1.0f;
  int16_t m_DragMode = 0;  // 0 none, 1 start, 2 stop, 3 creating
  int32_t m_DragAnchorMinute = 0;
  cTimeSchedulePeriod* m_DragPeriod = nullptr;
  int32_t m_DragDayType = -1;
};

// The periods of `day_type` as "07:30-12:00, 13:00-17:00"; empty when it
// has none.
std::string PeriodsText(const cTimeSchedule& schedule, int day_type);

}  // namespace orlund
