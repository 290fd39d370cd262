#include "views/render.h"

#include "base/errors.h"
#include "base/text_numbers.h"
#include "schedule/ole_date.h"
#include "views/svg_surface.h"
#include "views/view_host.h"

namespace orlund {

namespace {

constexpr const char* kEnglishWeekdays[kWeekdayCount] = {
    "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};

// Image list of the schedule picture: one badge per special day type.
constexpr double kRowBadgeWidth = 14;
constexpr double kRowBadgeHeight = 13;
constexpr double kDateBadgeWidth = 9;
constexpr double kDateBadgeHeight = 11;

// A host without a window: no text boxes, menus or scroll bar; it shows
// every row's day type name and draws its images as badges.
class PictureScheduleHost : public ScheduleHost {
 public:
  PictureScheduleHost(const ViewTables& tables, SvgSurface& surface, double width)
      : tables_(tables), surface_(surface), width_(width) {}

  const ViewTables& Tables() const override { return tables_; }
  void Set_Text_Schedule_Period_Start(const std::string&) override {}
  void Set_Text_Schedule_Period_Stop(const std::string&) override {}
  std::string Get_Text_Schedule_Period_Start() override { return ""; }
  std::string Get_Text_Schedule_Period_Stop() override { return ""; }
  void Set_Text_Schedule_Time(const std::string&) override {}
  void Set_Menu_TimeSchedulePopup_Grouped_MonFri_Checked(int32_t) override {}
  void Set_Menu_TimeSchedulePopup_Grouped_Checked(int16_t) override {}
  void Set_Menu_TimeSchedulePopup_Paste_Enabled(int16_t) override {}
  void Set_Menu_TimeSchedulePopup_Delete_Enabled(int16_t) override {}
  int16_t Get_Menu_TimeSchedulePopup_Grouped_MonFri_Checked() override { return 0; }
  int16_t Get_Check_TimeSchedule_ViewDayType() override { return -1; }
  double Get_ImageList_ImageWidth() override { return kRowBadgeWidth; }
  double Get_ImageList_ImageHeight() override { return kRowBadgeHeight; }
  void Draw_ImageList_ListImages(int32_t index, int32_t, double x, int32_t y) override {
    surface_.Badge(x, y, kRowBadgeWidth, kRowBadgeHeight, kBadgeFill, std::to_string(index),
                   kBadgeText);
  }
  void Set_VScroll_Schedule_Top(int16_t) override {}
  void Set_Picture_TimeSchedule_Left(int16_t) override {}
  void Set_Picture_TimeSchedule_Top(int16_t) override {}
  double Get_Picture_TimeSchedule_Frame_ScaleWidth() override { return width_; }
  double Get_Picture_TimeSchedule_Frame_ScaleHeight() override { return 0; }
  double Get_VScroll_Schedule_Width() override { return 0; }
  double Get_VScroll_Schedule_Left() override { return width_; }
  void Set_VScroll_Schedule_Left(double) override {}
  void Set_VScroll_Schedule_Height(double) override {}
  void Set_Picture_TimeSchedule_Width(double) override {}
  void Set_VScroll_Schedule_Max(int16_t) override {}
  void Set_Picture_TimeSchedule_Height(int32_t) override {}

 private:
  const ViewTables& tables_;
  SvgSurface& surface_;
  double width_;
};

// A host without a window whose day-type list has nothing selected; its
// items are "(none)" and the day type names. It keeps the month title.
class PictureCalendarHost : public CalendarHost {
 public:
  PictureCalendarHost(const ViewTables& tables, SvgSurface& surface)
      : tables_(tables), surface_(surface) {}

  const ViewTables& Tables() const override { return tables_; }
  std::optional<std::string> Get_Combo_Calendar_DayType_SelectedItem() override {
    return std::nullopt;
  }
  int16_t Get_Combo_Calendar_DayType_SelectedItem_Index() override { return 0; }
  std::string Get_Combo_Calendar_DayType_ComboItems(int16_t position) override {
    if (position == 1) return "(none)";
    if (position < 2 || position > kDayTypeCount + 1) {
      throw SubscriptError("day-type list item " + std::to_string(position));
    }
    return tables_.DayTypeNames[static_cast<size_t>(position - 2)];
  }
  void Set_Text_Calendar_Month(const std::string& title) override { title_ = title; }
  void Draw_ImageList_ListImages(int16_t index, int32_t, double x, int32_t y, int32_t) override {
    surface_.Badge(x, y, kDateBadgeWidth, kDateBadgeHeight, kBadgeFill, std::to_string(index),
                   kBadgeText);
  }

  const std::string& title() const { return title_; }

 private:
  const ViewTables& tables_;
  SvgSurface& surface_;
  std::string title_;
};

// Language texts kTextMonday..kTextSunday, the weekday names heading the calendar columns.
class WeekdayTexts : public TextSource {
 public:
  explicit WeekdayTexts(const std::array<std::string, kDayTypeCount>& names) {
    for (int d = 0; d < kWeekdayCount; ++d) {
      const std::string& name = names[static_cast<size_t>(d)];
      weekdays_[static_cast<size_t>(d)] = name.empty() ? kEnglishWeekdays[d] : name;
    }
  }
  std::string GetText(int32_t number) const override {
    if (number >= kTextMonday && number < kTextMonday + kWeekdayCount) {
      return weekdays_[static_cast<size_t>(number - kTextMonday)];
    }
    return "Invalid Text (" + std::to_string(number) + ")";
  }

 private:
  std::array<std::string, kWeekdayCount> weekdays_;
};

void CopySchedule(const cTimeSchedule& from, cTimeSchedule& to) {
  to.ExtractPeriodArray(from.ComposePeriodArray());
}

}  // namespace

std::string RenderScheduleSvg(const cTimeSchedule& schedule,
                              const std::array<std::string, kDayTypeCount>& day_type_names) {
  cTimeSchedule view;
  CopySchedule(schedule, view);
  ViewTables tables;
  tables.DayTypeNames = day_type_names;
  for (size_t d = 0; d < kWeekdayCount; ++d) {
    tables.ShortDayTypeNames[d] = day_type_names[d].substr(0, 3);
  }

  // Room for the grid's last line at x = 318 and the "24" centred on it.
  constexpr double kWidth = 330;
  int16_t active = 0;
  for (int d = 0; d < kDayTypeCount; ++d) active += view.GetActive(d) != 0 ? 1 : 0;
  const int32_t rows = view.m_UseCalendar != 0 ? active : kWeekdayCount;
  const double picture_height = rows * 25 + 4;
  SvgSurface surface(kWidth, picture_height + kSvgTextHeight + 2);

  PictureScheduleHost host(tables, surface, kWidth);
  DrawingSurface* paint_object = nullptr;
  view.RecalculateAndPrepareToPaint(host, paint_object, &surface);
  view.Paint(host, paint_object);

  surface.SetForeColor(kColourBlack);
  for (int32_t hour = 0; hour <= 24; hour += 3) {
    const std::string label = std::to_string(hour);
    surface.SetCurrentX(30 + 12 * hour - surface.TextWidth(label) / 2);
    surface.SetCurrentY(picture_height);
    surface.Print(label);
  }
  return surface.Svg();
}

std::string RenderCalendarSvg(const cCalendar& calendar, const CalendarPicture& picture) {
  cCalendar view;
  view.DecodeEntries(calendar.EncodeEntries());
  cTimeSchedule schedule;
  if (picture.schedule != nullptr) {
    CopySchedule(*picture.schedule, schedule);
    view.m_ShowTimeAxis = -1;
    view.m_AssociatedTimeSchedule = &schedule;
  }
  view.m_SelectedYear = picture.year;
  view.m_SelectedMonth = picture.month;
  view.RecalculateAndPrepareToPaint(nullptr, nullptr);
  view.m_TodaysDayOffset = picture.today.value_or(TodaySerialDay() - kCalendarFirstSerialDay);
  if (view.m_ActualMonthOffset < 0 ||
      view.m_ActualMonthOffset + view.m_DaysInActualMonth > kCalendarDayCount) {
    throw SubscriptError("month " + std::to_string(picture.year) + "-" +
                         std::to_string(picture.month) + " outside the calendar");
  }

  WeekdayTexts texts(picture.day_type_names);
  ViewTables tables;
  tables.DayTypeNames = picture.day_type_names;
  for (size_t d = 0; d < kWeekdayCount; ++d) {
    tables.ShortDayTypeNames[d] = texts.GetText(kTextMonday + static_cast<int32_t>(d)).substr(0, 2);
  }
  tables.SetHolidays(picture.holiday_labels);
  tables.Texts = &texts;

  // The month title sits above the column headers, which start at y = 2.
  constexpr double kTop = -20;
  SvgSurface surface(312, 172 - kTop, 0, kTop);
  PictureCalendarHost host(tables, surface);
  view.Paint(host, surface);

  surface.SetFontBold(true);
  surface.SetForeColor(kColourBlack);
  surface.SetCurrentX(30 + (280 - surface.TextWidth(host.title())) / 2);
  surface.SetCurrentY(kTop + 2);
  surface.Print(host.title());
  return surface.Svg();
}

}  // namespace orlund
