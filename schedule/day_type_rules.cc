// Period iteration of cTimeSchedule and the day type of a date.

#include "schedule/day_type_rules.h"

namespace orlund {

const cTimeSchedulePeriod* cTimeSchedule::GetNextTimePeriod(
    int day_type, int16_t& start_time, int16_t& stop_time,
    const cTimeSchedulePeriod* last_time_period) const {
  const size_t day = Index(day_type);
  if (m_DayTypeActive[day] == 0) return nullptr;
  const PeriodList& list = m_Periods[day];
  const cTimeSchedulePeriod* result = nullptr;
  if (last_time_period == nullptr) {
    if (!list.empty()) result = list.front().get();
  } else {
    for (size_t i = 0; i + 1 < list.size(); ++i) {
      if (list[i].get() == last_time_period) {
        result = list[i + 1].get();
        break;
      }
    }
  }
  if (result != nullptr) {
    start_time = result->m_StartMinute;
    stop_time = result->m_StopMinute;
  }
  return result;
}

int DayTypeOfDate(int16_t entry, int weekday, const cTimeSchedule& schedule) {
  // Entries come unvalidated from clients; one outside 1..23 names no day
  // type and must not stop the date from being drawn as its weekday.
  if (entry >= 1 && entry <= kDayTypeCount && schedule.GetActive(entry - 1) != 0) {
    return entry - 1;
  }
  return weekday;
}

}  // namespace orlund
