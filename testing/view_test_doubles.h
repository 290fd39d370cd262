#pragma once
// Hosts for tests of the views: they log each setter call and answer getters
// from scripted fields. The views paint on an SvgSurface.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "schedule/time_schedule.h"
#include "views/svg_surface.h"
#include "views/view_host.h"

namespace orlund {

class ScriptedScheduleHost : public ScheduleHost {
 public:
  const ViewTables& Tables() const override { return tables; }
  void Set_Text_Schedule_Period_Start(const std::string& text) override { start_text = text; }
  void Set_Text_Schedule_Period_Stop(const std::string& text) override { stop_text = text; }
  std::string Get_Text_Schedule_Period_Start() override { return start_text; }
  std::string Get_Text_Schedule_Period_Stop() override { return stop_text; }
  void Set_Text_Schedule_Time(const std::string& text) override { time_text = text; }
  void Set_Menu_TimeSchedulePopup_Grouped_MonFri_Checked(int32_t v) override { Log("MonFri", v); }
  void Set_Menu_TimeSchedulePopup_Grouped_Checked(int16_t v) override { Log("Grouped", v); }
  void Set_Menu_TimeSchedulePopup_Paste_Enabled(int16_t v) override { Log("Paste", v); }
  void Set_Menu_TimeSchedulePopup_Delete_Enabled(int16_t v) override { Log("Delete", v); }
  int16_t Get_Menu_TimeSchedulePopup_Grouped_MonFri_Checked() override { return mon_fri_checked; }
  int16_t Get_Check_TimeSchedule_ViewDayType() override { return 0; }
  double Get_ImageList_ImageWidth() override { return 16; }
  double Get_ImageList_ImageHeight() override { return 16; }
  void Draw_ImageList_ListImages(int32_t, int32_t, double, int32_t) override {}
  void Set_VScroll_Schedule_Top(int16_t v) override { Log("VScrollTop", v); }
  void Set_Picture_TimeSchedule_Left(int16_t v) override { Log("PictureLeft", v); }
  void Set_Picture_TimeSchedule_Top(int16_t v) override { Log("PictureTop", v); }
  double Get_Picture_TimeSchedule_Frame_ScaleWidth() override { return 340; }
  double Get_Picture_TimeSchedule_Frame_ScaleHeight() override { return 180; }
  double Get_VScroll_Schedule_Width() override { return 17; }
  double Get_VScroll_Schedule_Left() override { return 323; }
  void Set_VScroll_Schedule_Left(double v) override { Log("VScrollLeft", v); }
  void Set_VScroll_Schedule_Height(double v) override { Log("VScrollHeight", v); }
  void Set_Picture_TimeSchedule_Width(double v) override { Log("PictureWidth", v); }
  void Set_VScroll_Schedule_Max(int16_t v) override { Log("VScrollMax", v); }
  void Set_Picture_TimeSchedule_Height(int32_t v) override { Log("PictureHeight", v); }

  ViewTables tables;
  std::string start_text, stop_text, time_text;
  int16_t mon_fri_checked = 0;
  std::vector<std::string> log;

 private:
  void Log(const char* name, double value) {
    log.push_back(std::string(name) + " " + std::to_string(static_cast<int>(value)));
  }
};

class ScriptedCalendarHost : public CalendarHost {
 public:
  const ViewTables& Tables() const override { return tables; }
  std::optional<std::string> Get_Combo_Calendar_DayType_SelectedItem() override {
    if (selected_position < 1) return std::nullopt;
    return "item " + std::to_string(selected_position);
  }
  int16_t Get_Combo_Calendar_DayType_SelectedItem_Index() override { return selected_position; }
  std::string Get_Combo_Calendar_DayType_ComboItems(int16_t position) override {
    return "item " + std::to_string(position);
  }
  void Set_Text_Calendar_Month(const std::string&) override {}
  void Draw_ImageList_ListImages(int16_t, int32_t, double, int32_t, int32_t) override {}

  ViewTables tables;
  int16_t selected_position = 0;  // 0: nothing selected
};

// A schedule on a scripted host, laid out on an SvgSurface, and the mouse.
class ScheduleViewFixture : public ::testing::Test {
 protected:
  using P = std::vector<std::pair<int, int>>;

  void SetUp() override { Layout(); }
  void Layout() {
    DrawingSurface* paint_object = nullptr;
    s.RecalculateAndPrepareToPaint(host, paint_object, &surface);
  }
  // Pointer position of a minute (zoom 1.0) and of the middle of a row.
  static float X(int minute) { return 30.0f + static_cast<float>(minute) / 5.0f; }
  static float Y(int row) { return 25.0f * static_cast<float>(row) + 10.0f; }
  void Press(int row, int minute, int16_t button = 1) {
    s.MouseDown(host, &surface, button, 0, X(minute), Y(row));
  }
  void Move(int row, int minute) { s.MouseMove(host, &surface, 1, 0, X(minute), Y(row)); }
  void Release() { s.MouseUp(host, &surface, 1, 0, 0, 0); }
  void Click(int row, int minute) {
    Press(row, minute);
    Release();
  }
  P Periods(int day_type) const {
    P out;
    for (const auto& p : s.GetPeriods(day_type))
      out.emplace_back(p->m_StartMinute, p->m_StopMinute);
    return out;
  }

  cTimeSchedule s;
  ScriptedScheduleHost host;
  SvgSurface surface{340, 180};
};

}  // namespace orlund
