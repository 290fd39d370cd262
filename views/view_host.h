#pragma once
// What a hosting editor offers the schedule view (ScheduleHost) and the
// calendar view (CalendarHost): named methods that set and read its text
// boxes, menu states, scroll bar and picture geometry, its day-type list,
// and draw its image list onto a surface. The application's shared tables
// the views read (ViewTables) are reached through the host. Errors of a
// host method are the host's own exceptions; the views pass them on.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/text_source.h"
#include "schedule/calendar.h"
#include "schedule/time_schedule.h"

namespace orlund {

// Tables shared by the views and the rest of the application. In the server
// only DayTypeNames is kept up to date; the rest stay empty or false.
struct ViewTables {
  // Labels of the weekday rows and date boxes, by day type.
  std::array<std::string, kDayTypeCount> ShortDayTypeNames;
  // Names of the day types, by day type.
  std::array<std::string, kDayTypeCount> DayTypeNames;
  // One Boolean per day index 0..14609: the date is a holiday.
  std::vector<int16_t> HolidayFlags = std::vector<int16_t>(kCalendarDayCount, 0);
  std::vector<cHolidayLabel> HolidayLabels;
  // Numbered language texts (the weekday column headers); none when null.
  const TextSource* Texts = nullptr;

  // Takes the labels as HolidayLabels and sets the holiday flag of every
  // day a label shown in the calendar (m_ViewInCalendar) names. Labels of
  // days outside 0..14609 are kept but flag nothing.
  void SetHolidays(std::vector<cHolidayLabel> labels);
};

class ScheduleHost {
 public:
  virtual ~ScheduleHost() = default;
  virtual const ViewTables& Tables() const = 0;

  // The period text boxes: time texts "HH:MM" or empty.
  virtual void Set_Text_Schedule_Period_Start(const std::string& text) = 0;
  virtual void Set_Text_Schedule_Period_Stop(const std::string& text) = 0;
  virtual std::string Get_Text_Schedule_Period_Start() = 0;
  virtual std::string Get_Text_Schedule_Period_Stop() = 0;
  // The time under the pointer.
  virtual void Set_Text_Schedule_Time(const std::string& text) = 0;

  // Popup menu states (Booleans, -1 true, 0 false).
  virtual void Set_Menu_TimeSchedulePopup_Grouped_MonFri_Checked(int32_t checked) = 0;
  virtual void Set_Menu_TimeSchedulePopup_Grouped_Checked(int16_t checked) = 0;
  virtual void Set_Menu_TimeSchedulePopup_Paste_Enabled(int16_t enabled) = 0;
  virtual void Set_Menu_TimeSchedulePopup_Delete_Enabled(int16_t enabled) = 0;
  virtual int16_t Get_Menu_TimeSchedulePopup_Grouped_MonFri_Checked() = 0;
  // Print the day type names in the rows.
  virtual int16_t Get_Check_TimeSchedule_ViewDayType() = 0;

  // The image list of the special day types (image 1 for day type 7).
  virtual double Get_ImageList_ImageWidth() = 0;
  virtual double Get_ImageList_ImageHeight() = 0;
  virtual void Draw_ImageList_ListImages(int32_t index, int32_t hdc, double x, int32_t y) = 0;

  // Scroll bar and picture geometry.
  virtual void Set_VScroll_Schedule_Top(int16_t top) = 0;
  virtual void Set_Picture_TimeSchedule_Left(int16_t left) = 0;
  virtual void Set_Picture_TimeSchedule_Top(int16_t top) = 0;
  virtual double Get_Picture_TimeSchedule_Frame_ScaleWidth() = 0;
  virtual double Get_Picture_TimeSchedule_Frame_ScaleHeight() = 0;
  virtual double Get_VScroll_Schedule_Width() = 0;
  virtual double Get_VScroll_Schedule_Left() = 0;
  virtual void Set_VScroll_Schedule_Left(double left) = 0;
  virtual void Set_VScroll_Schedule_Height(double height) = 0;
  virtual void Set_Picture_TimeSchedule_Width(double width) = 0;
  virtual void Set_VScroll_Schedule_Max(int16_t max) = 0;
  virtual void Set_Picture_TimeSchedule_Height(int32_t height) = 0;
};

class CalendarHost {
 public:
  virtual ~CalendarHost() = default;
  virtual const ViewTables& Tables() const = 0;

  // The day-type list holds an item for no assignment, then the 23 day
  // types: the item at position i (from 1) stands for day-type entry i - 1.
  // The selected item's text, or nothing when no item is selected.
  virtual std::optional<std::string> Get_Combo_Calendar_DayType_SelectedItem() = 0;
  virtual int16_t Get_Combo_Calendar_DayType_SelectedItem_Index() = 0;
  virtual std::string Get_Combo_Calendar_DayType_ComboItems(int16_t position) = 0;

  virtual void Set_Text_Calendar_Month(const std::string& title) = 0;
  // Draws image `index` (1 for special day type 7) at (x, y); style is 1.
  virtual void Draw_ImageList_ListImages(int16_t index, int32_t hdc, double x, int32_t y,
                                         int32_t style) = 0;
};

}  // namespace orlund
