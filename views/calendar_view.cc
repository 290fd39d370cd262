// The month view of cCalendar: a grid of seven weekday columns and six week
// rows; each date box shows its day number, its day-type entry, strips for
// Sundays, holidays and today, and optionally the schedule's periods. Day
// types are painted onto dates by pressing or dragging the mouse.

#include <cmath>
#include <functional>

#include "base/errors.h"
#include "base/text_numbers.h"
#include "schedule/calendar.h"
#include "schedule/day_type_rules.h"
#include "schedule/ole_date.h"
#include "views/drawing_surface.h"
#include "views/view_host.h"

namespace orlund {

namespace {

constexpr int32_t kGridLeft = 30;
constexpr int32_t kGridRight = 310;
constexpr int32_t kGridTop = 20;
constexpr int32_t kGridBottom = 170;
constexpr int32_t kColumnWidth = 40;
constexpr int32_t kRowHeight = 25;
constexpr int32_t kBoxWidth = 37;
constexpr int32_t kBoxHeight = 22;
constexpr int32_t kStripWidth = 14;

int32_t RoundEven(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

int32_t Grey(int32_t level) { return Rgb(level, level, level); }

// Runs one step of an operation that ignores its errors.
void IgnoringErrors(const std::function<void()>& step) {
  try {
    step();
  } catch (const std::exception&) {
  }
}

const TextSource& TextsOf(const ViewTables& tables) {
  static const FixedTexts kNoTexts;
  return tables.Texts != nullptr ? *tables.Texts : kNoTexts;
}

int16_t HolidayFlag(const ViewTables& tables, int32_t day_index) {
  if (day_index < 0 || static_cast<size_t>(day_index) >= tables.HolidayFlags.size()) {
    throw SubscriptError("day index " + std::to_string(day_index) + " outside the holiday flags");
  }
  return tables.HolidayFlags[static_cast<size_t>(day_index)];
}

}  // namespace

void cCalendar::RecalculateAndPrepareToPaint(CalendarHost* /*parent*/,
                                             DrawingSurface* /*paint_object*/) {
  const int32_t first = SerialDayFromParts(m_SelectedYear, m_SelectedMonth, 1);
  m_ActualMonthOffset = first - kCalendarFirstSerialDay;
  m_FirstWeekDayInActualMonth = WeekdayMondayFirst(first);
  m_DaysInActualMonth = DaysInMonth(m_SelectedYear, m_SelectedMonth);
  m_TodaysDayOffset = TodaySerialDay() - kCalendarFirstSerialDay;
  m_PaintDayType = -1;
}

void cCalendar::Paint(CalendarHost& parent, DrawingSurface& surface) {
  surface.SetFontBold(true);
  const int32_t h = RoundEven(surface.TextHeight("8"));

  for (int32_t i = 0; i <= 7; ++i) {
    surface.Line(kColumnWidth * i + 31, 16 - h, kColumnWidth * i + 31, kGridBottom, kColourWhite);
  }
  surface.Line(kGridLeft, 16 - h, kGridRight, 16 - h, kColourWhite);
  for (int32_t i = 0; i <= 6; ++i) {
    surface.Line(kGridLeft, kRowHeight * i + 21, kGridRight, kRowHeight * i + 21, kColourWhite);
  }
  for (int32_t i = 0; i <= 7; ++i) {
    surface.Line(kColumnWidth * i + 30, 16 - h, kColumnWidth * i + 30, kGridBottom, kColourBlack);
  }
  surface.Line(kGridLeft, 15 - h, kGridRight, 15 - h, kColourBlack);
  for (int32_t i = 0; i <= 6; ++i) {
    surface.Line(kGridLeft, kRowHeight * i + 20, kGridRight, kRowHeight * i + 20, kColourBlack);
  }

  const TextSource& texts = TextsOf(parent.Tables());
  for (int32_t i = 0; i < 7; ++i) {
    const std::string header = texts.GetText(kTextMonday + i).substr(0, 3);
    surface.SetCurrentX(kGridLeft + kColumnWidth * i +
                        (kColumnWidth - surface.TextWidth(header)) / 2);
    surface.SetCurrentY(18 - h);
    surface.Print(header);
  }

  const int32_t first = SerialDayFromParts(m_SelectedYear, m_SelectedMonth, 1);
  parent.Set_Text_Calendar_Month(MonthYearTitle(first));

  surface.SetFontBold(false);
  surface.SetForeColor(kColourGrayText);
  for (int32_t j = 0; j <= 5; ++j) {
    const int32_t week = WeekOfYear(SerialDayFromParts(m_SelectedYear, m_SelectedMonth, 7 * j + 1));
    surface.SetCurrentX(kGridLeft - surface.TextWidth("88") - 6);
    surface.SetCurrentY(kRowHeight * j + kGridTop + (kRowHeight - surface.TextHeight("A")) / 2);
    surface.Print(std::to_string(week));
  }

  surface.SetForeColor(kColourButtonText);
  for (int32_t d = 0; d < m_DaysInActualMonth; ++d) PaintDateBox(parent, surface, d);
}

void cCalendar::PaintDateBox(CalendarHost& parent, DrawingSurface& surface,
                             int32_t date_to_paint_in_actual_month) {
  const int32_t d = date_to_paint_in_actual_month;
  const int32_t p = m_FirstWeekDayInActualMonth + d;
  const int32_t c = p % 7;
  const int32_t r = p / 7;
  const int32_t x0 = kColumnWidth * c + 32;
  const int32_t y0 = kRowHeight * r + 22;
  const int32_t day_index = m_ActualMonthOffset + d;
  const ViewTables& tables = parent.Tables();

  surface.FillBox(x0, y0, kBoxWidth, kBoxHeight, surface.BackColor());
  const int32_t strip_lines = m_ShowTimeAxis != 0 ? 16 : 22;
  const bool holiday = HolidayFlag(tables, day_index) != 0;
  if (c == 6 || holiday) {
    for (int32_t i = 0; i < strip_lines; ++i) {
      const int32_t g = 192 - 3 * i;
      surface.LineStep(x0, y0 + i, kStripWidth, 0, Rgb(255, g, g));
    }
  }
  if (day_index == m_TodaysDayOffset) {
    for (int32_t i = 0; i < strip_lines; ++i) {
      surface.LineStep(x0, y0 + i, kStripWidth, 0, Rgb(0, 255 - 3 * i, 255));
    }
  }

  surface.SetForeColor(kColourGrayText);
  surface.SetCurrentX(x0);
  surface.SetCurrentY(y0);
  surface.Print(std::to_string(d + 1));
  surface.SetForeColor(kColourButtonText);

  const int16_t entry = GetDayType(day_index);
  const int32_t box_right = kColumnWidth * c + 70;
  if (entry >= 1 && entry <= 7) {
    const std::string& name = tables.ShortDayTypeNames[static_cast<size_t>(entry - 1)];
    surface.SetCurrentX(box_right - surface.TextWidth(name) - 2);
    surface.Print(name);
  } else if (entry >= 8 && entry <= 23) {
    parent.Draw_ImageList_ListImages(static_cast<int16_t>(entry - 7), surface.hDC(),
                                     kColumnWidth * c + 60, y0, 1);
  }

  if (m_ShowTimeAxis == 0 || m_AssociatedTimeSchedule == nullptr) return;
  const cTimeSchedule& schedule = *m_AssociatedTimeSchedule;
  const int day_type = DayTypeOfDate(entry, p % 7, schedule);
  const int32_t axis_top = kRowHeight * r + 39;
  for (int32_t i = 0; i <= 4; ++i) {
    surface.Line(x0, axis_top + i, box_right - 1, axis_top + i, Grey(220 - 20 * i));
  }
  int16_t start = 0;
  int16_t stop = 0;
  for (const cTimeSchedulePeriod* period =
           schedule.GetNextTimePeriod(day_type, start, stop, nullptr);
       period != nullptr; period = schedule.GetNextTimePeriod(day_type, start, stop, period)) {
    const int32_t x1 = RoundEven(x0 + start * 37.0 / 1440);
    const int32_t x2 = RoundEven(x0 + stop * 37.0 / 1440);
    for (int32_t j = 0; j <= 4; ++j) {
      surface.Line(x1, axis_top + j, x2, axis_top + j, Rgb(0, 240 - 19 * j, 0));
    }
    surface.Line(x1, axis_top, x1, axis_top + 5, Rgb(128, 128, 128));
    surface.Line(x2, axis_top, x2, axis_top + 5, Rgb(128, 128, 128));
  }
}

int32_t cCalendar::CalcDayFromPosition(float x, float y) const {
  if (x <= kGridLeft || x >= kGridRight || y <= kGridTop || y >= kGridBottom) return -1;
  const int32_t row = RoundEven(y - kGridTop) / kRowHeight;
  const int32_t column = RoundEven(x - kGridLeft) / kColumnWidth;
  const int32_t d = row * 7 - m_FirstWeekDayInActualMonth + column;
  return d >= 0 && d < m_DaysInActualMonth ? d : -1;
}

void cCalendar::MouseDown(CalendarHost& parent, DrawingSurface& surface, int16_t button,
                          int16_t /*shift*/, float x, float y) {
  m_MouseButton = button;
  if (!parent.Get_Combo_Calendar_DayType_SelectedItem().has_value()) {
    m_PaintDayType = -1;
    return;
  }
  const int16_t position = parent.Get_Combo_Calendar_DayType_SelectedItem_Index();
  m_PaintDayType = position > 0 ? static_cast<int16_t>(position - 1) : position;
  const int32_t d = CalcDayFromPosition(x, y);
  // A negative entry is no day type; it must never be stored.
  if (d >= 0 && m_PaintDayType >= 0 && GetDayType(m_ActualMonthOffset + d) != m_PaintDayType) {
    SetDayType(m_ActualMonthOffset + d, m_PaintDayType);
    PaintDateBox(parent, surface, d);
  }
}

void cCalendar::MouseMove(CalendarHost& parent, DrawingSurface& surface, int16_t /*button*/,
                          int16_t /*shift*/, float x, float y) {
  const int32_t d = CalcDayFromPosition(x, y);
  if (d < 0) {
    IgnoringErrors([&] { surface.SetToolTipText(""); });
  } else if (d != m_LastHoveredDay) {
    const int32_t day_index = m_ActualMonthOffset + d;
    IgnoringErrors([&] {
      if (m_MouseButton != 0 && m_PaintDayType >= 0 && GetDayType(day_index) != m_PaintDayType) {
        SetDayType(day_index, m_PaintDayType);
        PaintDateBox(parent, surface, d);
      }
    });
    IgnoringErrors([&] { surface.SetToolTipText(""); });
    IgnoringErrors([&] {
      const int16_t entry = GetDayType(day_index);
      if (entry != 0) {
        surface.SetToolTipText(
            parent.Get_Combo_Calendar_DayType_ComboItems(static_cast<int16_t>(entry + 1)));
      }
    });
    IgnoringErrors([&] {
      const ViewTables& tables = parent.Tables();
      if (HolidayFlag(tables, day_index) == 0) return;
      for (const cHolidayLabel& label : tables.HolidayLabels) {
        if (label.m_Day == day_index) {
          surface.SetToolTipText(surface.ToolTipText() + " (" + label.m_Label + ")");
          break;
        }
      }
    });
  }
  m_LastHoveredDay = d;
}

void cCalendar::MouseUp(int16_t /*button*/, int16_t /*shift*/, float /*x*/, float /*y*/) {
  m_MouseButton = 0;
  m_PaintDayType = -1;
}

}  // namespace orlund
