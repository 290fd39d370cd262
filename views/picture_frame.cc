#include "views/picture_frame.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "schedule/ole_date.h"
#include "views/svg_surface.h"

namespace orlund {
namespace {

constexpr double kMargin = 16;
constexpr double kTitleHeight = 24;
constexpr double kLegendPitch = 16;
constexpr double kNotePitch = 14;
// DejaVu Sans Mono at 10 px: 6 px a character, enough to size the page.
constexpr double kCharWidth = 6.1;

// Badge colours and the strips as the calendar view paints them.
constexpr int32_t kHolidayStrip = 0xFFC0C0;
constexpr int32_t kTodayStrip = 0x00FFFF;

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// The value of attribute `name` in the root element's tag `tag`, 0 if absent.
double Attribute(std::string_view tag, std::string_view name) {
  const std::string key = " " + std::string(name) + "=\"";
  const size_t at = tag.find(key);
  if (at == std::string_view::npos) return 0;
  return std::strtod(std::string(tag.substr(at + key.size())).c_str(), nullptr);
}

std::string Periods(const cTimeSchedule& schedule, int day_type) {
  const std::string text = PeriodsText(schedule, day_type);
  return text.empty() ? "no periods" : text;
}

// The rows the schedule view shows: the weekdays, or every active day type
// when the schedule follows the calendar.
std::vector<int> ShownRows(const cTimeSchedule& schedule) {
  std::vector<int> rows;
  for (int d = 0; d < kDayTypeCount; ++d) {
    if (schedule.m_UseCalendar != 0 ? schedule.GetActive(d) != 0 : d < kWeekdayCount) {
      rows.push_back(d);
    }
  }
  return rows;
}

LegendEntry Badge(int day_type, const std::array<std::string, kDayTypeCount>& names) {
  return {true, kBadgeFill, std::to_string(day_type - 6), names[static_cast<size_t>(day_type)]};
}

void PeriodNotes(const cTimeSchedule& schedule, const std::array<std::string, kDayTypeCount>& names,
                 std::vector<std::string>& notes) {
  for (int d : ShownRows(schedule)) {
    notes.push_back(names[static_cast<size_t>(d)] + ": " + Periods(schedule, d));
  }
}

}  // namespace

std::string FramePicture(std::string_view view_svg, const PictureFrame& frame) {
  const size_t root = view_svg.find("<svg ");
  const size_t root_end = view_svg.find('>', root);
  if (root == std::string_view::npos || root_end == std::string_view::npos) {
    return std::string(view_svg);
  }
  const std::string_view tag = view_svg.substr(root, root_end - root);
  const double view_width = Attribute(tag, "width");
  const double view_height = Attribute(tag, "height");

  size_t longest = frame.title.size();
  for (const LegendEntry& entry : frame.legend) longest = std::max(longest, entry.text.size() + 3);
  for (const std::string& note : frame.notes) longest = std::max(longest, note.size());
  const double width =
      std::max(view_width, static_cast<double>(longest) * kCharWidth) + 2 * kMargin;
  const double view_top = kMargin + kTitleHeight;
  double y = view_top + view_height + 12;
  const double height = y + kLegendPitch * static_cast<double>(frame.legend.size()) +
                        kNotePitch * static_cast<double>(frame.notes.size()) + kMargin;

  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(width) + "\" height=\"" +
         Number(height) + "\" viewBox=\"0 0 " + Number(width) + " " + Number(height) +
         "\" font-family=\"DejaVu Sans Mono, monospace\" font-size=\"10\">\n";
  out += "<rect x=\"0\" y=\"0\" width=\"" + Number(width) + "\" height=\"" + Number(height) +
         "\" fill=\"#ffffff\"/>\n";
  out += "<text x=\"" + Number(kMargin) + "\" y=\"" + Number(kMargin + 14) +
         "\" font-size=\"14\" font-weight=\"bold\">" + SvgText(frame.title) + "</text>\n";
  // The view itself, byte for byte, as a nested picture moved into place.
  out += "<svg x=\"" + Number(kMargin) + "\" y=\"" + Number(view_top) + "\"";
  out += view_svg.substr(root + 4);
  if (out.back() != '\n') out += '\n';

  for (const LegendEntry& entry : frame.legend) {
    out += "<rect x=\"" + Number(kMargin) + "\" y=\"" + Number(y) +
           "\" width=\"11\" height=\"11\" fill=\"" + SvgColour(entry.colour) + "\"/>\n";
    if (entry.badge) {
      out += "<text x=\"" + Number(kMargin + 5.5) + "\" y=\"" + Number(y + 9) +
             "\" font-size=\"9\" text-anchor=\"middle\" fill=\"" + SvgColour(kBadgeText) + "\">" +
             SvgText(entry.badge_text) + "</text>\n";
    }
    out += "<text x=\"" + Number(kMargin + 17) + "\" y=\"" + Number(y + 9) + "\">" +
           SvgText(entry.text) + "</text>\n";
    y += kLegendPitch;
  }
  for (const std::string& note : frame.notes) {
    out += "<text x=\"" + Number(kMargin) + "\" y=\"" + Number(y + 9) + "\">" + SvgText(note) +
           "</text>\n";
    y += kNotePitch;
  }
  out += "</svg>\n";
  return out;
}

PictureFrame ScheduleFrame(std::string_view profile_name, const cTimeSchedule& schedule,
                           const std::array<std::string, kDayTypeCount>& day_type_names) {
  PictureFrame frame;
  frame.title = std::string(profile_name);
  for (int d : ShownRows(schedule)) {
    if (d >= kWeekdayCount) frame.legend.push_back(Badge(d, day_type_names));
  }
  PeriodNotes(schedule, day_type_names, frame.notes);
  return frame;
}

PictureFrame CalendarFrame(const cCalendar& calendar, const CalendarPicture& picture,
                           std::string_view profile_name) {
  PictureFrame frame;
  frame.title = std::string(MonthName(picture.month)) + " " + std::to_string(picture.year);
  if (!profile_name.empty()) frame.title += " - " + std::string(profile_name);

  cCalendar month;
  month.m_SelectedYear = picture.year;
  month.m_SelectedMonth = picture.month;
  month.RecalculateAndPrepareToPaint(nullptr, nullptr);
  const int32_t first = month.m_ActualMonthOffset;
  const int32_t last = first + month.m_DaysInActualMonth - 1;

  std::array<bool, kDayTypeCount> used{};
  for (int32_t day = std::max(first, 0); day <= std::min(last, kCalendarDayCount - 1); ++day) {
    const int16_t entry = calendar.GetDayType(day);
    if (entry >= 8 && entry <= 23) used[static_cast<size_t>(entry - 1)] = true;
  }
  for (int d = kWeekdayCount; d < kDayTypeCount; ++d) {
    if (used[static_cast<size_t>(d)]) frame.legend.push_back(Badge(d, picture.day_type_names));
  }
  frame.legend.push_back({false, kHolidayStrip, "", "Sunday or holiday"});
  const int32_t today = picture.today.value_or(TodaySerialDay() - kCalendarFirstSerialDay);
  if (today >= first && today <= last) frame.legend.push_back({false, kTodayStrip, "", "Today"});

  for (const cHolidayLabel& label : picture.holiday_labels) {
    if (label.m_ViewInCalendar == 0 || label.m_Day < first || label.m_Day > last) continue;
    frame.notes.push_back(std::to_string(label.m_Day - first + 1) + " " + MonthName(picture.month) +
                          ": " + label.m_Label);
  }
  if (picture.schedule != nullptr) {
    PeriodNotes(*picture.schedule, picture.day_type_names, frame.notes);
  }
  return frame;
}

}  // namespace orlund
