#pragma once
// Which day type governs a date: the calendar's assignment when the profile's
// schedule uses that day type, otherwise the date's weekday. The periods of
// the date are then those of the day type (cTimeSchedule::GetNextTimePeriod).

#include <cstdint>

#include "schedule/time_schedule.h"

namespace orlund {

// `entry` is the date's calendar entry (0 none, else day type + 1) and
// `weekday` the date's weekday (0 Monday .. 6 Sunday). An entry naming a day
// type the schedule does not use, and an entry outside 0..23, count as no
// assignment. The result is a day type 0..22.
int DayTypeOfDate(int16_t entry, int weekday, const cTimeSchedule& schedule);

}  // namespace orlund
