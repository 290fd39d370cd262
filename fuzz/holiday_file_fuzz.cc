// A holiday file of any bytes: every entry lies in the calendar, its label
// trimmed, and the entries go to clients (type 140) unchanged.

#include "fuzz/fuzz_check.h"
#include "protocol/messages.h"
#include "schedule/calendar.h"
#include "store/holidays.h"

using namespace orlund;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<HolidayEntry> holidays = ParseHolidayFile(fuzz::Bytes(data, size));
  FUZZ_CHECK(holidays.size() <= kMaxHolidayEntries);
  bool labels_fit = true;
  for (const HolidayEntry& h : holidays) {
    FUZZ_CHECK(h.day_index >= 0 && h.day_index < kCalendarDayCount);
    FUZZ_CHECK(!h.label.starts_with(' ') && !h.label.ends_with(' '));
    labels_fit = labels_fit && h.label.size() <= kMaxEncodedStringLength;
  }
  const HolidayLabelsAnswer answer{holidays};
  if (labels_fit) FUZZ_CHECK(Decode<HolidayLabelsAnswer>(Encode(answer)) == answer);
  return 0;
}
