// A global calendar file of any bytes: whole entries are taken, at most
// 14610, and written back as they were read; the days set go to clients as
// pairs (type 180) and come back (type 181) unchanged.

#include <memory>

#include "fuzz/fuzz_check.h"
#include "protocol/messages.h"
#include "schedule/calendar.h"

using namespace orlund;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  auto calendar = std::make_unique<cCalendar>();
  const int32_t taken = calendar->DecodeEntries(bytes);
  FUZZ_CHECK(taken == static_cast<int32_t>(std::min<size_t>(size / 2, kCalendarDayCount)));
  const std::string entries = calendar->EncodeEntries();
  FUZZ_CHECK(entries.size() == kCalendarFileSize);
  FUZZ_CHECK(entries.compare(0, 2 * taken, bytes.substr(0, 2 * taken)) == 0);
  FUZZ_CHECK(entries.find_first_not_of('\0', 2 * taken) == std::string::npos);

  CalendarPairs pairs;
  for (int32_t day = 0; day < taken; ++day) {
    if (const int16_t entry = calendar->GetDayType(day); entry != 0)
      pairs.pairs.push_back({static_cast<int16_t>(day), entry});
  }
  FUZZ_CHECK(Decode<CalendarPairs>(Encode(pairs)) == pairs);
  return 0;
}
