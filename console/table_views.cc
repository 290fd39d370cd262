#include "console/table_views.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <vector>

#include "base/file_utils.h"
#include "base/text_numbers.h"
#include "console/http_util.h"
#include "console/json_writer.h"
#include "console/page_layout.h"
#include "protocol/handlers.h"
#include "schedule/calendar.h"
#include "schedule/ole_date.h"
#include "store/holidays.h"
#include "store/ini_file.h"
#include "views/render.h"

namespace orlund {

namespace {

constexpr char kServerIniFile[] = "Orlund_Server.ini";

std::string ProfileLink(const std::string& name) {
  return "<a href=\"/profiles/" + PercentEncode(name) + "\">" + Html(name) + "</a>";
}

// The SVG picture without its XML declaration, to sit inside a page.
std::string InlineSvg(const std::string& svg) {
  const size_t start = svg.find("<svg");
  return start == std::string::npos ? svg : svg.substr(start);
}

// The day types a profile's page lists: the weekdays, and the active special
// day types when the profile uses the calendar.
std::vector<int> ShownDayTypes(const cTimeSchedule& schedule) {
  std::vector<int> day_types;
  for (int d = 0; d < kDayTypeCount; ++d) {
    if (d < kWeekdayCount || (schedule.m_UseCalendar != 0 && schedule.GetActive(d) != 0)) {
      day_types.push_back(d);
    }
  }
  return day_types;
}

// A schedule for a profile slot whose reference is empty: what the file
// would hold for it.
const cTimeSchedule& ScheduleOf(const ProfileTable& table, int slot) {
  static const cTimeSchedule kNewSchedule;
  const auto& schedule = table.ProfileSchedules[static_cast<size_t>(slot)];
  return schedule ? *schedule : kNewSchedule;
}

void ProfileJsonBody(JsonWriter& json, const ProfileRecord& record, const cTimeSchedule& schedule,
                     const std::array<std::string, kDayTypeCount>& names) {
  json.Member("name", record.Name)
      .Member("number", record.ProfileNumber)
      .Member("uses_calendar", schedule.m_UseCalendar != 0)
      .Key("day_types")
      .BeginArray();
  for (int d : ShownDayTypes(schedule)) {
    json.BeginObject()
        .Member("day_type", d)
        .Member("name", names[static_cast<size_t>(d)])
        .Member("active", schedule.GetActive(d) != 0)
        .Member("grouped", schedule.GetGrouped(d) != 0)
        .Key("periods")
        .BeginArray();
    for (const auto& period : schedule.GetPeriods(d)) {
      json.BeginObject()
          .Member("start", MinutesToTimeText(period->m_StartMinute))
          .Member("stop", MinutesToTimeText(period->m_StopMinute))
          .EndObject();
    }
    json.EndArray().EndObject();
  }
  json.EndArray();
}

// The holiday labels of the language's holiday file, as the calendar view
// takes them.
std::vector<cHolidayLabel> HolidayLabels(const ServerState& state) {
  const std::string language =
      ReadIniValue(state.ProjectDirectory, "General", "Language", "", kServerIniFile);
  const auto file = ReadFileBytes(HolidayFilePath(state.ApplicationDirectory, language));
  std::vector<cHolidayLabel> labels;
  if (!file) return labels;
  for (const HolidayEntry& entry : ParseHolidayFile(*file)) {
    labels.push_back(
        {static_cast<int16_t>(entry.day_index), entry.day_type, entry.view, entry.label});
  }
  return labels;
}

// The global calendar as its file holds it now (the alarm server may have
// changed it), or as the server keeps it when the file cannot be read.
std::unique_ptr<cCalendar> CurrentCalendar(const ServerState& state) {
  auto calendar = std::make_unique<cCalendar>();
  bool read = false;
  try {
    read = calendar->ReadFromDisk(GlobalCalendarPath(state.ProjectDirectory));
  } catch (const std::exception&) {
  }
  if (!read) calendar->DecodeEntries(state.GlobalCalendar.EncodeEntries());
  return calendar;
}

std::string DateText(int32_t day_index) {
  const CivilDate date = PartsFromSerialDay(day_index + kCalendarFirstSerialDay);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

std::string MonthText(CalendarMonth month) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d", month.year, month.month);
  return text;
}

CalendarMonth AddMonths(CalendarMonth month, int32_t delta) {
  const int32_t index = month.year * 12 + month.month - 1 + delta;
  return {index / 12, index % 12 + 1};
}

bool InCalendar(CalendarMonth month) {
  return month.year >= 2000 && month.year <= 2039 && month.month >= 1 && month.month <= 12;
}

// The day indexes of the month: [first, first + days).
std::pair<int32_t, int32_t> MonthDays(CalendarMonth month) {
  return {SerialDayFromParts(month.year, month.month, 1) - kCalendarFirstSerialDay,
          DaysInMonth(month.year, month.month)};
}

// The name of a calendar entry (day type + 1).
std::string EntryName(const std::array<std::string, kDayTypeCount>& names, int16_t entry) {
  if (entry >= 1 && entry <= kDayTypeCount) return names[static_cast<size_t>(entry - 1)];
  return "entry " + std::to_string(entry);
}

}  // namespace

std::string ReceiversHtml(const ServerState& state) {
  const ReceiverTable& table = state.data.receivers;
  const ReceiverTypeTable& types = state.data.receiver_types;
  std::string html = "<h1>Receivers</h1>\n";
  if (table.ReceiverCount == 0) return html + "<p class=\"empty\">No receivers.</p>\n";
  html +=
      "<table class=\"list\" id=\"receivers\">\n<thead><tr><th>Name</th><th>Type</th>"
      "<th>Flag</th><th>Word</th><th>Text</th><th>Settings</th></tr></thead>\n<tbody>\n";
  for (int i = 0; i < table.ReceiverCount; ++i) {
    const ReceiverRecord& r = table.Receivers[static_cast<size_t>(i)];
    std::string type = std::to_string(r.ReceiverTypeNumber);
    for (int t = 0; t < types.ReceiverTypeCount; ++t) {
      const ReceiverTypeRecord& rt = types.ReceiverTypes[static_cast<size_t>(t)];
      if (rt.Number == r.ReceiverTypeNumber) type += " " + Html(rt.Name);
    }
    std::string settings;
    for (const Variant& v : r.Settings) {
      const std::string text = v.ToText();
      if (text.empty()) continue;
      if (!settings.empty()) settings += ", ";
      settings += "<code>" + Html(text) + "</code>";
    }
    html += "<tr><td>" + Html(r.Name) + "</td><td>" + type + "</td><td class=\"number\">" +
            std::to_string(r.ReceiverFlag) + "</td><td class=\"number\">" +
            std::to_string(r.ReceiverWord) + "</td><td>" + Html(r.ReceiverText) + "</td><td>" +
            settings + "</td></tr>\n";
  }
  return html + "</tbody>\n</table>\n";
}

std::string ReceiversJson(const ServerState& state) {
  const ReceiverTable& table = state.data.receivers;
  JsonWriter json;
  json.BeginObject().Key("receivers").BeginArray();
  for (int i = 0; i < table.ReceiverCount; ++i) {
    const ReceiverRecord& r = table.Receivers[static_cast<size_t>(i)];
    json.BeginObject()
        .Member("name", r.Name)
        .Member("type", r.ReceiverTypeNumber)
        .Member("flag", r.ReceiverFlag)
        .Member("word", r.ReceiverWord)
        .Member("text", r.ReceiverText)
        .Key("settings")
        .BeginArray();
    for (const Variant& v : r.Settings) json.String(v.ToText());
    json.EndArray().EndObject();
  }
  json.EndArray().EndObject();
  return json.Take();
}

std::string ReceiverTypesHtml(const ServerState& state) {
  const ReceiverTypeTable& table = state.data.receiver_types;
  std::string html = "<h1>Receiver types</h1>\n";
  if (table.ReceiverTypeCount == 0) return html + "<p class=\"empty\">No receiver types.</p>\n";
  html +=
      "<table class=\"list\" id=\"receiver-types\">\n<thead><tr><th>Number</th><th>Name</th>"
      "<th>Algorithm</th><th>Message length</th><th>File</th></tr></thead>\n<tbody>\n";
  for (int i = 0; i < table.ReceiverTypeCount; ++i) {
    const ReceiverTypeRecord& t = table.ReceiverTypes[static_cast<size_t>(i)];
    html += "<tr><td class=\"number\">" + std::to_string(t.Number) + "</td><td>" + Html(t.Name) +
            "</td><td>" + Html(t.Algorithm) + "</td><td class=\"number\">" +
            std::to_string(t.MessageLength) + "</td><td><code>" + Html(t.RcvFile) +
            "</code></td></tr>\n";
  }
  return html + "</tbody>\n</table>\n";
}

std::string ReceiverTypesJson(const ServerState& state) {
  const ReceiverTypeTable& table = state.data.receiver_types;
  JsonWriter json;
  json.BeginObject().Key("receiver_types").BeginArray();
  for (int i = 0; i < table.ReceiverTypeCount; ++i) {
    const ReceiverTypeRecord& t = table.ReceiverTypes[static_cast<size_t>(i)];
    json.BeginObject()
        .Member("number", t.Number)
        .Member("name", t.Name)
        .Member("algorithm", t.Algorithm)
        .Member("message_length", t.MessageLength)
        .Member("file", t.RcvFile)
        .EndObject();
  }
  json.EndArray().EndObject();
  return json.Take();
}

std::string ProfilesHtml(const ServerState& state) {
  const ProfileTable& table = state.data.profiles;
  const auto names = CurrentDayTypeNames(state);
  std::string html = "<h1>Profiles</h1>\n";
  if (table.ProfileCount == 0) return html + "<p class=\"empty\">No profiles.</p>\n";
  html +=
      "<table class=\"list\" id=\"profiles\">\n<thead><tr><th>Name</th><th>Number</th>"
      "<th>Times</th></tr></thead>\n<tbody>\n";
  for (int i = 0; i < table.ProfileCount; ++i) {
    const ProfileRecord& record = table.Profiles[static_cast<size_t>(i)];
    const cTimeSchedule& schedule = ScheduleOf(table, i);
    std::string times;
    for (int d : ShownDayTypes(schedule)) {
      const std::string periods = PeriodsText(schedule, d);
      if (periods.empty()) continue;
      times += "<div><span class=\"day\">" + Html(names[static_cast<size_t>(d)]) + "</span> " +
               periods + "</div>";
    }
    html += "<tr><td>" + ProfileLink(record.Name) + "</td><td class=\"number\">" +
            std::to_string(record.ProfileNumber) + "</td><td>" +
            (times.empty() ? std::string("none") : times) + "</td></tr>\n";
  }
  return html + "</tbody>\n</table>\n";
}

std::string ProfilesJson(const ServerState& state) {
  const ProfileTable& table = state.data.profiles;
  const auto names = CurrentDayTypeNames(state);
  JsonWriter json;
  json.BeginObject().Key("profiles").BeginArray();
  for (int i = 0; i < table.ProfileCount; ++i) {
    json.BeginObject();
    ProfileJsonBody(json, table.Profiles[static_cast<size_t>(i)], ScheduleOf(table, i), names);
    json.EndObject();
  }
  json.EndArray().EndObject();
  return json.Take();
}

std::string ProfileHtml(const ServerState& state, int slot) {
  const ProfileTable& table = state.data.profiles;
  const ProfileRecord& record = table.Profiles[static_cast<size_t>(slot)];
  const cTimeSchedule& schedule = ScheduleOf(table, slot);
  const auto names = CurrentDayTypeNames(state);
  std::string html = "<p class=\"back\"><a href=\"/profiles\">All profiles</a></p>\n<h1>" +
                     Html(record.Name) + "</h1>\n<p>Profile number " +
                     std::to_string(record.ProfileNumber) +
                     (schedule.m_UseCalendar != 0 ? ", uses the calendar's special day types"
                                                  : ", weekdays only") +
                     ". <a href=\"/calendar?profile=" + PercentEncode(record.Name) +
                     "\">Its times in the calendar</a></p>\n<figure class=\"schedule\">" +
                     InlineSvg(RenderScheduleSvg(schedule, names)) +
                     "</figure>\n<table class=\"list\" id=\"periods\">\n<thead><tr><th>Day type"
                     "</th><th>Periods</th><th>Grouped</th></tr></thead>\n<tbody>\n";
  for (int d : ShownDayTypes(schedule)) {
    const std::string periods = PeriodsText(schedule, d);
    html += "<tr><td>" + Html(names[static_cast<size_t>(d)]) + "</td><td>" +
            (periods.empty() ? std::string("none") : periods) + "</td><td>" +
            (schedule.GetGrouped(d) != 0 ? "yes" : "") + "</td></tr>\n";
  }
  return html + "</tbody>\n</table>\n";
}

std::string ProfileJson(const ServerState& state, int slot) {
  const ProfileTable& table = state.data.profiles;
  const cTimeSchedule& schedule = ScheduleOf(table, slot);
  const auto names = CurrentDayTypeNames(state);
  JsonWriter json;
  json.BeginObject();
  ProfileJsonBody(json, table.Profiles[static_cast<size_t>(slot)], schedule, names);
  json.Member("svg", RenderScheduleSvg(schedule, names)).EndObject();
  return json.Take();
}

std::optional<CalendarMonth> ParseCalendarMonth(std::string_view text) {
  if (text.size() != 7 || text[4] != '-') return std::nullopt;
  for (size_t i : {0, 1, 2, 3, 5, 6}) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  }
  const CalendarMonth month{std::stoi(std::string(text.substr(0, 4))),
                            std::stoi(std::string(text.substr(5, 2)))};
  if (!InCalendar(month)) return std::nullopt;
  return month;
}

CalendarMonth ThisMonth() {
  const CivilDate today = PartsFromSerialDay(TodaySerialDay());
  return {today.year, today.month};
}

std::string CalendarHtml(const ServerState& state, CalendarMonth month, int profile_slot) {
  const auto names = CurrentDayTypeNames(state);
  const auto calendar = CurrentCalendar(state);
  CalendarPicture picture;
  picture.year = month.year;
  picture.month = month.month;
  picture.day_type_names = names;
  picture.holiday_labels = HolidayLabels(state);
  const ProfileTable& profiles = state.data.profiles;
  std::string profile_query;
  if (profile_slot >= 0) {
    picture.schedule = &ScheduleOf(profiles, profile_slot);
    profile_query =
        "&amp;profile=" + PercentEncode(profiles.Profiles[static_cast<size_t>(profile_slot)].Name);
  }
  const std::string svg = RenderCalendarSvg(*calendar, picture);

  std::string html = "<h1>Calendar</h1>\n<nav class=\"months\">";
  const CalendarMonth previous = AddMonths(month, -1);
  const CalendarMonth next = AddMonths(month, 1);
  if (InCalendar(previous)) {
    html += "<a id=\"previous-month\" href=\"/calendar?month=" + MonthText(previous) +
            profile_query + "\">&larr; " + MonthText(previous) + "</a>";
  }
  html += " <strong id=\"shown-month\">" + MonthText(month) + "</strong> ";
  if (InCalendar(next)) {
    html += "<a id=\"next-month\" href=\"/calendar?month=" + MonthText(next) + profile_query +
            "\">" + MonthText(next) + " &rarr;</a>";
  }
  html +=
      "</nav>\n<form class=\"inline\" method=\"get\" action=\"/calendar\">"
      "<input type=\"hidden\" name=\"month\" value=\"" +
      MonthText(month) +
      "\"><label>Times of <select name=\"profile\"><option value=\"\">no profile</option>";
  for (int i = 0; i < profiles.ProfileCount; ++i) {
    const std::string& name = profiles.Profiles[static_cast<size_t>(i)].Name;
    html += "<option value=\"" + Html(name) + "\"" + (i == profile_slot ? " selected" : "") + ">" +
            Html(name) + "</option>";
  }
  html += "</select></label> <button type=\"submit\">Show</button></form>\n";
  html += "<div class=\"calendar\"><figure class=\"month\">" + InlineSvg(svg) + "</figure>\n";

  // The legend: what the strips and the marks of this month mean, then the
  // month's days.
  const auto [first, days] = MonthDays(month);
  std::array<bool, kDayTypeCount> used{};
  std::string assigned;
  for (int32_t day = first; day < first + days; ++day) {
    const int16_t entry = calendar->GetDayType(day);
    if (entry == 0) continue;
    if (entry >= 1 && entry <= kDayTypeCount) used[static_cast<size_t>(entry - 1)] = true;
    assigned += "<li>" + DateText(day) + " " + Html(EntryName(names, entry)) + "</li>";
  }
  html +=
      "<section class=\"legend\"><h2>Legend</h2>\n<ul class=\"keys\">"
      "<li><span class=\"swatch holiday\"></span> Sunday or holiday</li>"
      "<li><span class=\"swatch today\"></span> today</li>";
  for (int d = 0; d < kDayTypeCount; ++d) {
    if (!used[static_cast<size_t>(d)]) continue;
    const std::string& name = names[static_cast<size_t>(d)];
    html += d < kWeekdayCount
                ? "<li><span class=\"swatch weekday\">" + Html(name.substr(0, 2)) +
                      "</span> counted as " + Html(name) + "</li>"
                : "<li><span class=\"badge\">" + std::to_string(d - kWeekdayCount + 1) +
                      "</span> " + Html(name) + "</li>";
  }
  html += "</ul>\n";
  std::string holidays;
  for (const cHolidayLabel& label : picture.holiday_labels) {
    if (label.m_Day < first || label.m_Day >= first + days) continue;
    holidays += "<li>" + DateText(label.m_Day) + " " + Html(label.m_Label) +
                (label.m_ViewInCalendar != 0 ? "" : " (not shown)") + "</li>";
  }
  html += "<h2>Days set this month</h2>\n" +
          (assigned.empty() ? std::string("<p class=\"empty\">none</p>")
                            : "<ul id=\"assigned-days\">" + assigned + "</ul>") +
          "\n<h2>Holidays this month</h2>\n" +
          (holidays.empty() ? std::string("<p class=\"empty\">none</p>")
                            : "<ul id=\"holidays\">" + holidays + "</ul>") +
          "\n</section></div>\n";
  return html;
}

std::string CalendarJson(const ServerState& state, CalendarMonth month) {
  const auto names = CurrentDayTypeNames(state);
  const auto calendar = CurrentCalendar(state);
  CalendarPicture picture;
  picture.year = month.year;
  picture.month = month.month;
  picture.day_type_names = names;
  picture.holiday_labels = HolidayLabels(state);
  const auto [first, days] = MonthDays(month);
  JsonWriter json;
  json.BeginObject().Member("month", MonthText(month)).Key("day_type_names").BeginArray();
  for (const std::string& name : names) json.String(name);
  json.EndArray().Key("days").BeginArray();
  for (int32_t day = first; day < first + days; ++day) {
    const int16_t entry = calendar->GetDayType(day);
    if (entry == 0) continue;
    json.BeginObject()
        .Member("date", DateText(day))
        .Member("day_type", entry - 1)
        .Member("name", EntryName(names, entry))
        .EndObject();
  }
  json.EndArray().Key("holidays").BeginArray();
  for (const cHolidayLabel& label : picture.holiday_labels) {
    if (label.m_Day < first || label.m_Day >= first + days) continue;
    json.BeginObject()
        .Member("date", DateText(label.m_Day))
        .Member("label", label.m_Label)
        .Member("shown", label.m_ViewInCalendar != 0)
        .EndObject();
  }
  json.EndArray().Member("svg", RenderCalendarSvg(*calendar, picture)).EndObject();
  return json.Take();
}

}  // namespace orlund
