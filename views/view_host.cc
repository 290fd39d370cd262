#include "views/view_host.h"

namespace orlund {

void ViewTables::SetHolidays(std::vector<cHolidayLabel> labels) {
  HolidayLabels = std::move(labels);
  for (const cHolidayLabel& label : HolidayLabels) {
    if (label.m_ViewInCalendar != 0 && label.m_Day >= 0 &&
        static_cast<size_t>(label.m_Day) < HolidayFlags.size()) {
      HolidayFlags[static_cast<size_t>(label.m_Day)] = -1;
    }
  }
}

}  // namespace orlund
