// Editing operations of cTimeSchedule: the popup menu's commands, the typed
// period times, the edit group, and the merge rule every edit ends in.

#include "base/text_utils.h"
#include "schedule/time_schedule.h"
#include "views/drawing_surface.h"
#include "views/view_host.h"

namespace orlund {

namespace {

bool IsTrue(int16_t flag) { return flag != 0; }

}  // namespace

void cTimeSchedule::RemovePeriodAt(size_t day, size_t position) {
  PeriodList& list = m_Periods[day];
  const cTimeSchedulePeriod* period = list[position].get();
  if (period == m_SelectedPeriod) m_SelectedPeriod = nullptr;
  if (period == m_DragPeriod) m_DragPeriod = nullptr;
  list.erase(list.begin() + static_cast<std::ptrdiff_t>(position));
}

void cTimeSchedule::CopyPeriodList(size_t from, size_t to) {
  if (from == to) return;
  ClearPeriods(to);
  for (const auto& period : m_Periods[from]) {
    m_Periods[to].push_back(
        std::make_unique<cTimeSchedulePeriod>(period->m_StartMinute, period->m_StopMinute));
  }
}

void cTimeSchedule::MergeOverlappingPeriods(int day_type) {
  if (day_type == -1) return;
  PeriodList& list = m_Periods[Index(day_type)];
  bool merged_any = true;
  while (merged_any) {
    merged_any = false;
    size_t a = 0;
    while (a < list.size()) {
      cTimeSchedulePeriod* first = list[a].get();
      size_t next_a = a + 1;
      for (size_t b = 0; b < list.size(); ++b) {
        if (b == a) continue;
        cTimeSchedulePeriod* second = list[b].get();
        if (first->m_StartMinute <= second->m_StartMinute &&
            second->m_StartMinute <= first->m_StopMinute) {
          if (first->m_StopMinute < second->m_StopMinute) {
            first->m_StopMinute = second->m_StopMinute;
          }
          // The surviving period takes over every reference to the other.
          if (second == m_SelectedPeriod) m_SelectedPeriod = first;
          if (second == m_DragPeriod) m_DragPeriod = first;
          list.erase(list.begin() + static_cast<std::ptrdiff_t>(b));
          if (b < a) next_a = a;  // A moved down one place
          merged_any = true;
          break;
        }
      }
      a = next_a;
    }
  }
}

void cTimeSchedule::CopyPeriodsToGroup(ScheduleHost& parent, DrawingSurface* surface,
                                       int day_type) {
  if (day_type == -1) return;
  const size_t source = Index(day_type);
  if (!IsTrue(m_DayTypeGrouped[source])) return;
  for (size_t c = 0; c < kDayTypeCount; ++c) {
    if (c == source || !IsTrue(m_DayTypeGrouped[c])) continue;
    CopyPeriodList(source, c);
    MergeOverlappingPeriods(static_cast<int>(c));
    PaintAxis(parent, surface, static_cast<int>(c));
  }
}

void cTimeSchedule::Copy() { m_CopiedDayType = m_SelectedDayType; }

void cTimeSchedule::Paste(ScheduleHost& parent, DrawingSurface* surface) {
  if (m_SelectedDayType == -1 || m_SelectedDayType == m_CopiedDayType) return;
  const size_t from = Index(m_CopiedDayType);
  const size_t to = Index(m_SelectedDayType);
  CopyPeriodList(from, to);
  m_DayTypeGrouped[to] = m_DayTypeGrouped[from];
  MergeOverlappingPeriods(m_SelectedDayType);
  PaintAxis(parent, surface, m_SelectedDayType);
}

void cTimeSchedule::Delete(ScheduleHost& parent, DrawingSurface* surface) {
  if (m_SelectedDayType == -1) return;
  const size_t day = Index(m_SelectedDayType);
  PeriodList& list = m_Periods[day];
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i].get() == m_SelectedPeriod && m_SelectedPeriod != nullptr) {
      m_SelectedPeriod = nullptr;
      parent.Set_Text_Schedule_Period_Start("");
      parent.Set_Text_Schedule_Period_Stop("");
      RemovePeriodAt(day, i);
      break;
    }
  }
  m_DayTypeGrouped[day] = 0;
  MergeOverlappingPeriods(m_SelectedDayType);
  PaintAxis(parent, surface, m_SelectedDayType);
  m_SelectedDayType = -1;
}

void cTimeSchedule::SetTimeFrom00to24(ScheduleHost& parent, DrawingSurface* surface) {
  if (m_SelectedDayType == -1) return;
  const size_t day = Index(m_SelectedDayType);
  ClearPeriods(day);
  m_DayTypeGrouped[day] = 0;
  MergeOverlappingPeriods(m_SelectedDayType);
  m_Periods[day].push_back(std::make_unique<cTimeSchedulePeriod>(0, 1440));
  PaintAxis(parent, surface, m_SelectedDayType);
  m_SelectedDayType = -1;
}

void cTimeSchedule::ExtractTimeFromTextboxes(ScheduleHost& parent, DrawingSurface* surface) {
  if (m_SelectedPeriod == nullptr) return;
  m_EditStartMinute = TimeTextToMinutes(parent.Get_Text_Schedule_Period_Start());
  m_EditStopMinute = TimeTextToMinutes(parent.Get_Text_Schedule_Period_Stop());
  if (m_EditStopMinute < m_EditStartMinute) std::swap(m_EditStartMinute, m_EditStopMinute);
  m_SelectedPeriod->m_StartMinute = static_cast<int16_t>(m_EditStartMinute);
  m_SelectedPeriod->m_StopMinute = static_cast<int16_t>(m_EditStopMinute);
  parent.Set_Text_Schedule_Period_Start(MinutesToTimeText(m_EditStartMinute));
  parent.Set_Text_Schedule_Period_Stop(MinutesToTimeText(m_EditStopMinute));
  MergeOverlappingPeriods(m_SelectedDayType);
  PaintAxis(parent, surface, m_SelectedDayType);
  CopyPeriodsToGroup(parent, surface, m_SelectedDayType);
}

void cTimeSchedule::Group(ScheduleHost& parent, DrawingSurface* surface) {
  const size_t day = Index(m_SelectedDayType);
  m_DayTypeGrouped[day] = IsTrue(m_DayTypeGrouped[day]) ? 0 : -1;
  if (IsTrue(m_DayTypeGrouped[day])) {
    for (size_t other = 0; other < kDayTypeCount; ++other) {
      if (other != day && IsTrue(m_DayTypeGrouped[other])) {
        CopyPeriodList(other, day);
        MergeOverlappingPeriods(m_SelectedDayType);
        break;
      }
    }
  }
  PaintAxis(parent, surface, m_SelectedDayType);
}

void cTimeSchedule::GroupMonFri(ScheduleHost& parent, DrawingSurface* surface) {
  const bool checked = IsTrue(parent.Get_Menu_TimeSchedulePopup_Grouped_MonFri_Checked());
  for (int d = 0; d < kDayTypeCount; ++d) {
    m_DayTypeGrouped[static_cast<size_t>(d)] = (!checked && d <= 4) ? -1 : 0;
    if (d <= 4) PaintAxis(parent, surface, d);
  }
  CopyPeriodsToGroup(parent, surface, 0);
  Paint(parent, surface);
}

}  // namespace orlund
