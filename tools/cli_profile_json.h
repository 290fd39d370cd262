#pragma once
// A profile with its schedule as a JSON document, the form export-profile
// writes and import-profile reads. Record fields keep their names; WordsC
// element 0 is "WordsC0" (element 1 never travels over the network). The
// schedule lists all 23 day types with their flags and periods, times as
// "HH:MM" ("24:00" for the day's end) and numbers where a value lies outside
// 0..1440; flags are true and false for -1 and 0, numbers otherwise. Texts
// are UTF-8 in the document and Windows-1252 in the record.

#include <memory>
#include <string>

#include "protocol/messages.h"
#include "schedule/time_schedule.h"
#include "store/profile_record.h"
#include "tools/cli_format.h"

namespace orlund {

Json ProfileToJson(const ProfileRecord& record, const cTimeSchedule& schedule,
                   const DayTypeNames& names);

// Fills `record` and `schedule` (fresh ones) from a document. Fields left
// out stay 0, empty or as a new schedule holds them. Throws CliError
// (kExitBadInput) naming the field for an unknown field, a value of the
// wrong kind or range, a text Windows-1252 cannot write, or a missing Name.
void ProfileFromJson(const Json& json, ProfileRecord& record, cTimeSchedule& schedule);

// The readable listing of one profile: its name and number, then the
// schedule lines indented.
std::string FormatProfile(const ProfileRecord& record, const cTimeSchedule& schedule,
                          const DayTypeNames& names);

}  // namespace orlund
