#pragma once
// A profile and its weekly schedule as they travel between server and
// clients: the record's fields in file order, every integer as int16 and
// every text as a string, with two exceptions: WordsC element 1 does not
// travel (WordsB element 2 goes in its place), and the schedule follows as
// one string, its period array.

#include <memory>
#include <string>

#include "protocol/codec.h"
#include "schedule/time_schedule.h"
#include "store/profile_record.h"

namespace orlund {

// Appends the encoding of `record` with `schedule` to `out`. Throws
// OverflowError when a day type of the schedule holds more than 32767
// periods.
void EncodeProfile(std::string& out, const ProfileRecord& record, const cTimeSchedule& schedule);
std::string EncodeProfile(const ProfileRecord& record, const cTimeSchedule& schedule);

// Reads one encoding at the reader's position: every field of `record` but
// WordsC element 1, which keeps its value; the second WordsB element 2 wins
// over the first. Returns the schedule built from the period array. Throws
// DecodeError when the payload ends early or the period array is cut short;
// `record` is then unchanged.
std::unique_ptr<cTimeSchedule> DecodeProfile(PayloadReader& reader, ProfileRecord& record);

}  // namespace orlund
