// A profile file of any bytes: loading never fails, and what is loaded is
// written back and read again unchanged, and travels to clients as a period
// array and back unchanged.

#include <memory>

#include "fuzz/fuzz_check.h"
#include "schedule/time_schedule.h"
#include "store/profiles.h"

using namespace orlund;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ProfileRecord record;
  std::unique_ptr<cTimeSchedule> schedule;
  const ProfileFile file = DecodeProfileFile(fuzz::Bytes(data, size), record, schedule);
  FUZZ_CHECK((file.status == ProfileFile::Status::kLoaded) == (schedule != nullptr));
  if (!schedule) return 0;

  // Texts hold at most 65535 bytes and period counts at most 32767, so a
  // loaded profile always fits its file again.
  const std::string encoded = EncodeProfileFile(record, schedule.get());
  ProfileRecord again;
  std::unique_ptr<cTimeSchedule> schedule_again;
  const ProfileFile reread = DecodeProfileFile(encoded, again, schedule_again);
  FUZZ_CHECK(reread.status == ProfileFile::Status::kLoaded);
  FUZZ_CHECK(again == record);
  const std::string period_array = schedule->ComposePeriodArray();
  FUZZ_CHECK(schedule_again->ComposePeriodArray() == period_array);

  cTimeSchedule from_array;
  from_array.ExtractPeriodArray(period_array);
  FUZZ_CHECK(from_array.ComposePeriodArray() == period_array);
  return 0;
}
