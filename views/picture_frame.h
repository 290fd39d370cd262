#pragma once
// Pictures that stand alone on a white page: the view's own SVG placed,
// unchanged, inside a margin, with a title above it and a legend and notes
// (period times, holidays) below it. The views' geometry is never touched;
// everything added is drawn around them.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "schedule/calendar.h"
#include "schedule/time_schedule.h"
#include "views/render.h"

namespace orlund {

struct LegendEntry {
  // A numbered badge (special day type) or a colour strip (holiday, today).
  bool badge = false;
  int32_t colour = 0;
  std::string badge_text;
  std::string text;  // Windows-1252, like every name of the server
};

struct PictureFrame {
  std::string title;
  std::vector<LegendEntry> legend;
  std::vector<std::string> notes;
};

// The view's SVG document `view_svg` (as RenderScheduleSvg or
// RenderCalendarSvg give it) framed as above.
std::string FramePicture(std::string_view view_svg, const PictureFrame& frame);

// The frame of a profile's week: its name, the special day types it draws
// as badges, and the start and end of each period of every row shown.
PictureFrame ScheduleFrame(std::string_view profile_name, const cTimeSchedule& schedule,
                           const std::array<std::string, kDayTypeCount>& day_type_names);

// The frame of a calendar month: month and year (and the profile whose
// periods it shows), the special day types set in the month, the holiday and
// today strips, and the month's holidays by date.
PictureFrame CalendarFrame(const cCalendar& calendar, const CalendarPicture& picture,
                           std::string_view profile_name);

}  // namespace orlund
