#pragma once
// Local wall-clock time and the two date formats of the logs and the packet
// list: "YY-MM-DD HH:NN:SS" for lines and "YYYYMMDD" for daily file names.

#include <chrono>
#include <ctime>
#include <functional>
#include <string>

namespace orlund {

// Returns the current local time, broken down; the server's clocks are
// functions of this type so that tests can set the time.
using LocalClock = std::function<std::tm()>;

std::tm LocalNow();
std::tm ToLocalTime(std::chrono::system_clock::time_point when);

// "YY-MM-DD HH:NN:SS": two digits each, 24-hour clock, no trailing blank.
std::string FormatLogDateTime(const std::tm& when);
// "YYYYMMDD".
std::string FormatFileDate(const std::tm& when);
// "YYYYMMDD-HHNNSS", for names of files kept aside.
std::string FormatFileDateTime(const std::tm& when);

}  // namespace orlund
