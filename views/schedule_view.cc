// The schedule view of cTimeSchedule: one row (axis) per active day type with
// the hours from left to right and each period as a green bar, and the mouse
// operations that select, create and drag periods.

#include <cmath>
#include <cstdlib>

#include "schedule/time_schedule.h"
#include "views/drawing_surface.h"
#include "views/view_host.h"

namespace orlund {

namespace {

constexpr int32_t kTimeLeft = 30;
constexpr int32_t kTimeWidth = 288;
constexpr int32_t kTimeRight = kTimeLeft + kTimeWidth;
constexpr int32_t kRowPitch = 25;
constexpr int32_t kRowTop = 4;
constexpr int32_t kBandLines = 15;

constexpr int32_t kGridColour = Rgb(148, 148, 148);
constexpr int32_t kMarkerGreys[5] = {255, 245, 235, 225, 205};

// Grab distance for the ends of a period, and the move that starts a new one.
constexpr int32_t kGrabMinutes = 15;
constexpr int32_t kCreateMinutes = 6;

bool IsTrue(int16_t flag) { return flag != 0; }

int32_t Grey(int32_t level) { return Rgb(level, level, level); }

// Nearest whole number, halves to even (the default rounding mode).
int32_t RoundEven(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

}  // namespace

int32_t cTimeSchedule::MinuteToX(int32_t minute) const {
  return kTimeLeft + RoundEven(static_cast<float>(minute) * m_Zoom / 5.0f);
}

int cTimeSchedule::ActiveDayTypeAtRow(int32_t row) const {
  if (row < 0) return -1;
  int32_t seen = 0;
  for (int d = 0; d < kDayTypeCount; ++d) {
    if (!IsTrue(m_DayTypeActive[static_cast<size_t>(d)])) continue;
    if (seen == row) return d;
    ++seen;
  }
  return -1;
}

void cTimeSchedule::RecalculateAndPrepareToPaint(ScheduleHost& parent,
                                                 DrawingSurface*& paint_object,
                                                 DrawingSurface* schedule_paint_object) {
  if (paint_object == nullptr) paint_object = schedule_paint_object;
  parent.Set_VScroll_Schedule_Top(0);
  parent.Set_VScroll_Schedule_Left(parent.Get_Picture_TimeSchedule_Frame_ScaleWidth() -
                                   parent.Get_VScroll_Schedule_Width());
  parent.Set_VScroll_Schedule_Height(parent.Get_Picture_TimeSchedule_Frame_ScaleHeight());

  int16_t active = 0;
  for (int16_t flag : m_DayTypeActive) active += IsTrue(flag) ? 1 : 0;
  m_NumberOfAxisToPaint = IsTrue(m_UseCalendar) ? active : int16_t{kWeekdayCount};
  parent.Set_VScroll_Schedule_Max(static_cast<int16_t>((m_NumberOfAxisToPaint - 7) * 4));
  m_Zoom = 1.0f;

  parent.Set_Picture_TimeSchedule_Left(0);
  parent.Set_Picture_TimeSchedule_Top(0);
  parent.Set_Picture_TimeSchedule_Width(parent.Get_VScroll_Schedule_Left());
  parent.Set_Picture_TimeSchedule_Height(m_NumberOfAxisToPaint * kRowPitch + kRowTop);

  int16_t below = 0;
  for (size_t d = 0; d < kDayTypeCount; ++d) {
    m_DayTypeAxis[d] = below;
    if (IsTrue(m_DayTypeActive[d])) ++below;
  }
}

void cTimeSchedule::Paint(ScheduleHost& parent, DrawingSurface* surface) {
  if (surface == nullptr) return;
  const int32_t rows = m_NumberOfAxisToPaint;
  for (int32_t h = 0; h <= 24; ++h) {
    surface->LineStep(kTimeLeft + 12 * h, 0, 0, rows * kRowPitch, kGridColour);
  }
  for (int32_t n = 0; n < rows; ++n) {
    surface->LineStep(kTimeLeft, kRowPitch * n + 24, kTimeWidth, 0, kColourBlack);
    surface->LineStep(kTimeLeft, kRowPitch * n + 25, kTimeWidth, 0, kColourWhite);
  }
  for (int d = 0; d < kDayTypeCount; ++d) {
    if (IsTrue(m_DayTypeActive[static_cast<size_t>(d)])) PaintAxis(parent, surface, d);
  }
}

void cTimeSchedule::PaintAxis(ScheduleHost& parent, DrawingSurface* surface, int day_type) {
  if (day_type == -1) return;
  const size_t day = Index(day_type);
  // A day type without a row would be drawn over the row of the next one.
  if (surface == nullptr || !IsTrue(m_DayTypeActive[day])) return;
  const int32_t top = kRowPitch * m_DayTypeAxis[day] + kRowTop;

  surface->LineStep(kTimeRight, 0, 0, 25, kGridColour);
  for (int32_t i = 0; i < kBandLines; ++i) {
    surface->Line(kTimeLeft, top + i, kTimeRight, top + i, Grey(220 - 7 * i));
  }
  for (const auto& period : m_Periods[day]) {
    const int32_t x1 = MinuteToX(period->m_StartMinute);
    const int32_t x2 = MinuteToX(period->m_StopMinute + 1);
    const int32_t dim = period.get() == m_SelectedPeriod ? 64 : 0;
    for (int32_t i = 0; i < kBandLines; ++i) {
      surface->Line(x1, top + i, x2, top + i, Rgb(0, 240 - 7 * i - dim, 0));
    }
    surface->LineStep(x1, top, 0, kBandLines, kColourBlack);
    surface->LineStep(x2, top, 0, kBandLines, kColourBlack);
  }

  const ViewTables& tables = parent.Tables();
  const double text_y = top + (kBandLines - surface->TextHeight("8")) / 2;
  if (day_type < kWeekdayCount) {
    const std::string& label = tables.ShortDayTypeNames[day];
    surface->SetCurrentX(kTimeLeft - surface->TextWidth(label) - 2);
    surface->SetCurrentY(text_y);
    surface->Print(label);
  } else {
    const double image_width = parent.Get_ImageList_ImageWidth();
    const double image_height = parent.Get_ImageList_ImageHeight();
    parent.Draw_ImageList_ListImages(day_type - 6, surface->hDC(), kTimeLeft - image_width - 4,
                                     RoundEven((kBandLines - image_height) / 2 + top));
  }
  if (IsTrue(parent.Get_Check_TimeSchedule_ViewDayType())) {
    const std::string& name = tables.DayTypeNames[day];
    surface->SetCurrentX(kTimeLeft + (kTimeWidth - surface->TextWidth(name)) / 2);
    surface->SetCurrentY(text_y);
    surface->Print(name);
  }
  if (IsTrue(m_DayTypeGrouped[day])) {
    for (int32_t k = 0; k < 5; ++k) {
      surface->LineStep(kTimeRight - 1, top + k, -(5 - k), 0, Grey(kMarkerGreys[k]));
    }
  }
}

int32_t cTimeSchedule::CalcMinuteFromPosition(ScheduleHost& parent, float x, float y,
                                              int32_t& row) {
  if (y >= static_cast<float>(m_NumberOfAxisToPaint * kRowPitch) || y <= kRowTop) return -3;
  if (x < kTimeLeft) return -2;
  if (x >= kTimeWidth / m_Zoom + kTimeLeft + m_Zoom) return -1;
  // A pointer just left of the limit would give a minute past 24:00.
  int32_t minute = RoundEven((x - kTimeLeft) * 5.0f / m_Zoom);
  if (minute > 1440) minute = 1440;
  parent.Set_Text_Schedule_Time(MinutesToTimeText(minute));
  row = RoundEven((y - kRowTop) / static_cast<float>(kRowPitch));
  return minute;
}

void cTimeSchedule::MouseDown(ScheduleHost& parent, DrawingSurface* surface, int16_t button,
                              int16_t /*shift*/, float x, float y) {
  int32_t row = 0;
  const int32_t minute = CalcMinuteFromPosition(parent, x, y, row);
  if (minute < 0) return;
  const int d = ActiveDayTypeAtRow(row);
  if (d < 0) return;
  const int32_t old_selected = m_SelectedDayType;
  m_SelectedDayType = d;
  const PeriodList& list = m_Periods[static_cast<size_t>(d)];

  if (button == 1) {
    m_SelectedPeriod = nullptr;
    if (old_selected != -1) PaintAxis(parent, surface, old_selected);
    for (const auto& period : list) {
      if (period->m_StartMinute <= minute && minute <= period->m_StopMinute) {
        m_SelectedPeriod = period.get();
        m_EditStartMinute = period->m_StartMinute;
        m_EditStopMinute = period->m_StopMinute;
        break;
      }
    }
    m_DragAnchorMinute = minute;
    cTimeSchedulePeriod* grabbed = nullptr;
    for (const auto& period : list) {
      if (std::abs(period->m_StartMinute - minute) < kGrabMinutes) {
        m_DragMode = 1;
        m_DragAnchorMinute = period->m_StartMinute;
      } else if (std::abs(period->m_StopMinute - minute) < kGrabMinutes) {
        m_DragMode = 2;
        m_DragAnchorMinute = period->m_StopMinute;
      } else {
        continue;
      }
      grabbed = period.get();
      break;
    }
    if (grabbed == nullptr && m_DragMode == 0) m_DragMode = 3;
    if (grabbed != nullptr) {
      if (surface != nullptr) surface->SetMousePointer(kPointerSizeWestEast);
      m_DragPeriod = grabbed;
    }
    m_DragDayType = d;
    if (m_SelectedPeriod == nullptr) {
      parent.Set_Text_Schedule_Period_Start("");
      parent.Set_Text_Schedule_Period_Stop("");
    } else {
      parent.Set_Text_Schedule_Period_Start(MinutesToTimeText(m_EditStartMinute));
      parent.Set_Text_Schedule_Period_Stop(MinutesToTimeText(m_EditStopMinute));
    }
  } else if (button == 2) {
    bool mon_fri = true;
    for (size_t t = 0; t < kDayTypeCount; ++t) {
      if (IsTrue(m_DayTypeGrouped[t]) != (t <= 4)) mon_fri = false;
    }
    parent.Set_Menu_TimeSchedulePopup_Grouped_MonFri_Checked(mon_fri ? -1 : 0);
    parent.Set_Menu_TimeSchedulePopup_Grouped_Checked(m_DayTypeGrouped[static_cast<size_t>(d)]);
    parent.Set_Menu_TimeSchedulePopup_Paste_Enabled(m_CopiedDayType >= 0 ? -1 : 0);
    parent.Set_Menu_TimeSchedulePopup_Delete_Enabled(m_SelectedDayType >= 0 ? -1 : 0);
  }
}

void cTimeSchedule::MouseMove(ScheduleHost& parent, DrawingSurface* surface, int16_t /*button*/,
                              int16_t /*shift*/, float x, float y) {
  int32_t row = 0;
  const int32_t minute = CalcMinuteFromPosition(parent, x, y, row);
  if (minute < 0) return;
  if (m_DragMode == 3 && m_DragPeriod == nullptr &&
      std::abs(minute - m_DragAnchorMinute) >= kCreateMinutes) {
    if (surface != nullptr) surface->SetMousePointer(kPointerSizeWestEast);
    m_DragPeriod = &AppendPeriod(m_DragDayType, 0, 0);
    m_SelectedPeriod = m_DragPeriod;
  }
  if (m_DragPeriod == nullptr) return;
  int32_t start = m_DragPeriod->m_StartMinute;
  int32_t stop = m_DragPeriod->m_StopMinute;
  if (m_DragMode == 1) {
    start = minute;
  } else if (m_DragMode == 2) {
    stop = minute;
  } else if (m_DragMode == 3) {
    start = m_DragAnchorMinute;
    stop = minute;
  }
  if (stop < start) {
    std::swap(start, stop);
    if (m_DragMode == 1) {
      m_DragMode = 2;
    } else if (m_DragMode == 2) {
      m_DragMode = 1;
    }
  }
  m_DragPeriod->m_StartMinute = static_cast<int16_t>(start);
  m_DragPeriod->m_StopMinute = static_cast<int16_t>(stop);
  PaintAxis(parent, surface, m_DragDayType);
  parent.Set_Text_Schedule_Period_Start(MinutesToTimeText(m_DragPeriod->m_StartMinute));
  parent.Set_Text_Schedule_Period_Stop(MinutesToTimeText(m_DragPeriod->m_StopMinute));
}

void cTimeSchedule::MouseUp(ScheduleHost& parent, DrawingSurface* surface, int16_t /*button*/,
                            int16_t /*shift*/, float /*x*/, float /*y*/) {
  if (m_DragMode == 0) return;
  if (surface != nullptr) surface->SetMousePointer(kPointerDefault);
  m_DragMode = 0;
  m_DragPeriod = nullptr;
  CopyPeriodsToGroup(parent, surface, m_SelectedDayType);
  MergeOverlappingPeriods(m_DragDayType);
  PaintAxis(parent, surface, m_DragDayType);
}

}  // namespace orlund
