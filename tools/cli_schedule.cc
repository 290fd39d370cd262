#include "tools/cli_schedule.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace orlund {
namespace {

constexpr std::array<const char*, kWeekdayCount> kWeekdayLabels = {"Mon", "Tue", "Wed", "Thu",
                                                                   "Fri", "Sat", "Sun"};

}  // namespace

std::string FormatMinutes(int16_t minutes) {
  if (minutes < 0 || minutes > 1440) return "?" + std::to_string(minutes);
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", minutes / 60, minutes % 60);
  return text;
}

std::string DayTypeLabel(int day_type, const DayTypeNames& names) {
  if (day_type < kWeekdayCount) return kWeekdayLabels[day_type];
  if (names[day_type].empty()) return "Day type " + std::to_string(day_type);
  return names[day_type];
}

std::vector<std::string> FormatSchedule(const cTimeSchedule& schedule, const DayTypeNames& names) {
  std::vector<std::pair<std::string, std::string>> rows;
  for (int d = 0; d < kDayTypeCount; ++d) {
    const bool active = schedule.GetActive(d) != 0;
    const auto& periods = schedule.GetPeriods(d);
    if (d >= kWeekdayCount && !active && periods.empty()) continue;
    std::string text;
    for (const auto& p : periods) {
      if (!text.empty()) text += ", ";
      text += FormatMinutes(p->m_StartMinute) + "-" + FormatMinutes(p->m_StopMinute);
    }
    if (text.empty()) text = "none";
    if (!active) text += " (not in use)";
    rows.emplace_back(DayTypeLabel(d, names), std::move(text));
  }
  size_t width = 0;
  for (const auto& row : rows) width = std::max(width, row.first.size());
  std::vector<std::string> lines;
  for (auto& [label, text] : rows)
    lines.push_back(label + std::string(width - label.size() + 1, ' ') + text);
  return lines;
}

}  // namespace orlund
