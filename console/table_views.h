#pragma once
// The console's pages of the configuration tables: receivers, receiver
// types, profiles (each profile's week drawn by the schedule view) and the
// global calendar month by month (drawn by the calendar view), as HTML and
// as JSON.

#include <optional>
#include <string>
#include <string_view>

#include "protocol/server_state.h"
#include "schedule/time_schedule.h"

namespace orlund {

std::string ReceiversHtml(const ServerState& state);
std::string ReceiversJson(const ServerState& state);
std::string ReceiverTypesHtml(const ServerState& state);
std::string ReceiverTypesJson(const ServerState& state);

// The profiles with their times; each name links to its own page.
std::string ProfilesHtml(const ServerState& state);
std::string ProfilesJson(const ServerState& state);
// One profile (a slot of the profile table) with its week as inline SVG.
std::string ProfileHtml(const ServerState& state, int slot);
std::string ProfileJson(const ServerState& state, int slot);

struct CalendarMonth {
  int32_t year = 2000;
  int32_t month = 1;
};
// "YYYY-MM" within January 2000 to December 2039, the calendar's range.
std::optional<CalendarMonth> ParseCalendarMonth(std::string_view text);
// The current local month.
CalendarMonth ThisMonth();

// The global calendar's month as the calendar view draws it, with the
// holiday labels and a legend; with a profile slot (not -1), every date
// shows that profile's periods.
std::string CalendarHtml(const ServerState& state, CalendarMonth month, int profile_slot);
std::string CalendarJson(const ServerState& state, CalendarMonth month);

}  // namespace orlund
