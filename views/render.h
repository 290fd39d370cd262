#pragma once
// Pictures of a profile's week and of a calendar month as SVG text: the
// schedule view and the calendar view paint themselves on an SvgSurface
// through a built-in host, so a caller that has fetched the data only calls
// one function. Special day types are drawn as numbered badges (badge n for
// special day type n - 1, that is day type n + 6).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "schedule/calendar.h"
#include "schedule/time_schedule.h"

namespace orlund {

// Badge colours of the built-in hosts' image list.
inline constexpr int32_t kBadgeFill = 0xD06000;
inline constexpr int32_t kBadgeText = 0xFFFFFF;

// The schedule view of `schedule`: one row per active day type (seven rows
// unless the schedule uses the calendar), a weekday row labelled with the
// first three characters of its name in `day_type_names`, a special day
// type's row with its badge, every row's name printed across it, and the
// hours 0, 3, ..., 24 under the rows. The schedule itself is not changed.
std::string RenderScheduleSvg(const cTimeSchedule& schedule,
                              const std::array<std::string, kDayTypeCount>& day_type_names);

struct CalendarPicture {
  int32_t year = 2000;
  int32_t month = 1;  // 1..12
  // Day type names as the server names them; names 0..6 head the weekday
  // columns (English names where empty) and their first two characters mark
  // dates assigned to a weekday.
  std::array<std::string, kDayTypeCount> day_type_names;
  // Labels shown in the calendar (m_ViewInCalendar) give their days the
  // holiday strip.
  std::vector<cHolidayLabel> holiday_labels;
  // When set, every date box shows this schedule's periods for the date.
  const cTimeSchedule* schedule = nullptr;
  // Day index of today (blue strip); the local date when empty.
  std::optional<int32_t> today;
};

// The calendar view of one month of `calendar`, with the month title above
// the grid. Raises SubscriptError for a month outside January 2000 to
// December 2039. The calendar itself is not changed.
std::string RenderCalendarSvg(const cCalendar& calendar, const CalendarPicture& picture);

}  // namespace orlund
