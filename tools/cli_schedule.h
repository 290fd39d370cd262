#pragma once
// A profile's weekly time schedule as readable lines, e.g.
// "Mon 07:00-16:00, 18:00-20:00". The weekdays always appear; a special day
// type appears when it is in use or holds periods. Periods are listed in the
// schedule's own order.

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/messages.h"
#include "schedule/time_schedule.h"

namespace orlund {

// "HH:MM" for 0..1440 (1440 is "24:00"); other values as "?" and the number.
std::string FormatMinutes(int16_t minutes);

// "Mon".."Sun" for 0..6; the special day type's name for 7..22, or
// "Day type N" when the name is empty.
std::string DayTypeLabel(int day_type, const DayTypeNames& names);

// One line per shown day type: the label padded to a common width, then the
// periods "07:00-16:00, 18:00-20:00", "none" for an active day type without
// periods, and " (not in use)" after an inactive one.
std::vector<std::string> FormatSchedule(const cTimeSchedule& schedule, const DayTypeNames& names);

}  // namespace orlund
