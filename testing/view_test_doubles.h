#pragma once
// Test doubles for the views: a surface that records every drawing call with
// the SVG surface's font metrics, and hosts that log each setter call and
// answer getters from scripted fields.

#include <optional>
#include <string>
#include <vector>

#include "views/drawing_surface.h"
#include "views/view_host.h"

namespace orlund {

struct DrawCall {
  enum Kind { kLine, kBox, kText } kind;
  double x1, y1, x2, y2;  // a box: x, y, width, height; a text: its position
  int32_t colour;
  std::string text;
  bool bold;
};

class RecordingSurface : public DrawingSurface {
 public:
  void Line(double x1, double y1, double x2, double y2, int32_t colour) override {
    calls.push_back({DrawCall::kLine, x1, y1, x2, y2, colour, "", bold_});
  }
  void FillBox(double x, double y, double width, double height, int32_t colour) override {
    calls.push_back({DrawCall::kBox, x, y, width, height, colour, "", bold_});
  }
  double CurrentX() const override { return x_; }
  void SetCurrentX(double x) override { x_ = x; }
  double CurrentY() const override { return y_; }
  void SetCurrentY(double y) override { y_ = y; }
  double TextWidth(std::string_view text) const override { return 6.0 * text.size(); }
  double TextHeight(std::string_view) const override { return 13; }
  void Print(std::string_view text) override {
    calls.push_back({DrawCall::kText, x_, y_, 0, 0, fore_, std::string(text), bold_});
    x_ = 0;
    y_ += 13;
  }
  int32_t BackColor() const override { return back_; }
  void SetBackColor(int32_t colour) override { back_ = colour; }
  int32_t ForeColor() const override { return fore_; }
  void SetForeColor(int32_t colour) override { fore_ = colour; }
  bool FontBold() const override { return bold_; }
  void SetFontBold(bool bold) override { bold_ = bold; }
  std::string ToolTipText() const override { return tooltip; }
  void SetToolTipText(const std::string& text) override { tooltip = text; }
  int16_t MousePointer() const override { return pointer; }
  void SetMousePointer(int16_t shape) override { pointer = shape; }
  int32_t hDC() const override { return 77; }

  // Calls of one kind, optionally only those in a colour.
  std::vector<DrawCall> Of(DrawCall::Kind kind, std::optional<int32_t> colour = {}) const {
    std::vector<DrawCall> out;
    for (const DrawCall& call : calls) {
      if (call.kind == kind && (!colour || call.colour == *colour)) out.push_back(call);
    }
    return out;
  }

  std::vector<DrawCall> calls;
  std::string tooltip;
  int16_t pointer = 0;

 private:
  double x_ = 0;
  double y_ = 0;
  int32_t back_ = 0xC0C0C0;
  int32_t fore_ = 0;
  bool bold_ = false;
};

class ScriptedScheduleHost : public ScheduleHost {
 public:
  const ViewTables& Tables() const override { return tables; }
  void Set_Text_Schedule_Period_Start(const std::string& text) override { start_text = text; }
  void Set_Text_Schedule_Period_Stop(const std::string& text) override { stop_text = text; }
  std::string Get_Text_Schedule_Period_Start() override { return start_text; }
  std::string Get_Text_Schedule_Period_Stop() override { return stop_text; }
  void Set_Text_Schedule_Time(const std::string& text) override { time_text = text; }
  void Set_Menu_TimeSchedulePopup_Grouped_MonFri_Checked(int32_t checked) override {
    log.push_back("MonFri " + std::to_string(checked));
  }
  void Set_Menu_TimeSchedulePopup_Grouped_Checked(int16_t checked) override {
    log.push_back("Grouped " + std::to_string(checked));
  }
  void Set_Menu_TimeSchedulePopup_Paste_Enabled(int16_t enabled) override {
    log.push_back("Paste " + std::to_string(enabled));
  }
  void Set_Menu_TimeSchedulePopup_Delete_Enabled(int16_t enabled) override {
    log.push_back("Delete " + std::to_string(enabled));
  }
  int16_t Get_Menu_TimeSchedulePopup_Grouped_MonFri_Checked() override { return mon_fri_checked; }
  int16_t Get_Check_TimeSchedule_ViewDayType() override { return view_day_type; }
  double Get_ImageList_ImageWidth() override { return 16; }
  double Get_ImageList_ImageHeight() override { return 16; }
  void Draw_ImageList_ListImages(int32_t index, int32_t hdc, double x, int32_t y) override {
    log.push_back("Image " + std::to_string(index) + " " + std::to_string(hdc) + " " +
                  std::to_string(static_cast<int>(x)) + " " + std::to_string(y));
  }
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
  int16_t view_day_type = 0;
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
  void Set_Text_Calendar_Month(const std::string& text) override { title = text; }
  void Draw_ImageList_ListImages(int16_t index, int32_t hdc, double x, int32_t y,
                                 int32_t style) override {
    images.push_back(std::to_string(index) + " " + std::to_string(hdc) + " " +
                     std::to_string(static_cast<int>(x)) + " " + std::to_string(y) + " " +
                     std::to_string(style));
  }

  ViewTables tables;
  int16_t selected_position = 0;  // 0: nothing selected
  std::string title;
  std::vector<std::string> images;
};

}  // namespace orlund
