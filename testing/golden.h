#pragma once
// Golden files: expected outputs checked in beside the tests and compared byte
// for byte. To regenerate one after an intended change, run the test with
// ORLUND_UPDATE_GOLDEN=1 in its environment (for the views:
// ORLUND_UPDATE_GOLDEN=1 build/bin/views_tests --gtest_filter='RenderTest.*'),
// look at the new picture (rsvg-convert FILE.svg -o FILE.png) and commit it.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <string>

#include "schedule/time_schedule.h"
#include "testing/test_temp_dir.h"

namespace orlund::testing {

// Compares `actual` with the golden file at `relative` in the source tree.
inline void ExpectGolden(const std::string& relative, const std::string& actual) {
  const std::string path = ORLUND_SOURCE_DIR "/" + relative;
  if (getenv("ORLUND_UPDATE_GOLDEN") != nullptr) WriteFile(path, actual);
  EXPECT_TRUE(ReadFile(path) == actual) << path << " differs:\n" << actual;
}

// The week of views/testdata/schedule_view.svg: the weekdays and special day
// type 9 in use, Monday grouped, a period to 24:00, and day type names as the
// server reports them with the name of day type 9 changed to one that needs
// escaping.
inline void FillGoldenSchedule(cTimeSchedule& s) {
  s.m_UseCalendar = -1;
  s.SetActive(5, 0);
  s.SetActive(9, 1);
  s.AppendPeriod(0, 480, 960);
  s.AppendPeriod(0, 1200, 1440);
  s.SetGrouped(0, 1);
  s.AppendPeriod(1, 0, 300);
  s.AppendPeriod(9, 600, 610);
}
inline const char kGoldenDayType9[] = "<Stock & take \xE9\x80\x81>";
inline std::array<std::string, kDayTypeCount> GoldenDayTypeNames() {
  std::array<std::string, kDayTypeCount> names = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                  "Friday", "Saturday", "Sunday"};
  names[9] = kGoldenDayType9;
  return names;
}

}  // namespace orlund::testing
