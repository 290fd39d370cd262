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

#include "store/bytes.h"

namespace orlund {

inline constexpr int kDayTypeCount = 23;
inline constexpr int kWeekdayCount = 7;

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

  // Period iteration by day type and the calendar rule belong here:
  // GetNextTimePeriod, notused_ActivateUsedPeriods.

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

  // Monday to Friday become active and grouped and each gets one more period
  // 07:00-16:00 (420-960); existing periods stay. Other day types unchanged.
  void SetDefaultPeriod();

  // Stores true (-1) for any non-zero state, else false. Returns 0.
  int16_t SetActive(int day_type, int32_t state);
  int16_t GetActive(int day_type) const;

  // Editing operations of the schedule editor belong here: Copy, Paste,
  // Delete, SetTimeFrom00to24, ExtractTimeFromTextboxes, Group, GroupMonFri,
  // and the internal rules MergeOverlappingPeriods and CopyPeriodsToGroup.
  // View operations belong here too: RecalculateAndPrepareToPaint, Paint,
  // MouseDown, MouseMove, MouseUp, CalcMinuteFromPosition, PaintAxis.

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

}  // namespace orlund
