#pragma once
// Profiles: one file per profile in the project's Profiles directory, each
// the format word 4, the profile record and the profile's weekly schedule
// block. Loaded into a table of 300 slots sorted by upper-cased name, with a
// parallel table of schedules; written back after clients changed them,
// every profile keeping its file number and a new one drawing a free number.

#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "schedule/time_schedule.h"
#include "store/profile_record.h"
#include "store/store_context.h"

namespace orlund {

inline constexpr int kProfileCapacity = 300;

struct ProfileTable {
  std::array<ProfileRecord, kProfileCapacity> Profiles;
  // Slot i holds the schedule of profile i; a reference may be empty.
  std::array<std::unique_ptr<cTimeSchedule>, kProfileCapacity> ProfileSchedules;
  int16_t ProfileCount = 0;
  // Draws the numbers of new profile files. Never seeded: every run of the
  // server draws the same sequence.
  std::mt19937 NumberGenerator;
};

// "Profile_" & four digits & ".dat".
std::string ProfileFileName(int number);

// A whole profile file: format word 4, the record, the schedule block. An
// empty schedule reference is written as a newly constructed schedule.
// Throws OverflowError for a text or a period list too long for its field.
std::string EncodeProfileFile(const ProfileRecord& record, const cTimeSchedule* schedule);

struct ProfileFile {
  enum class Status {
    kTooShort,       // 0 or 1 bytes: not loaded, not logged
    kLoaded,         // format 4, perhaps cut short
    kUnknownFormat,  // another format word
  };
  Status status = Status::kTooShort;
  int16_t format_word = 0;
  bool cut_short = false;  // loaded, but the bytes ended before the block did
};
// Decodes the bytes of one profile file into `record` and `schedule`, which
// are cleared first: a file cut short leaves the fields and day types it
// holds, and zeros and defaults elsewhere. `schedule` is set for kLoaded
// only. Never throws.
ProfileFile DecodeProfileFile(std::string_view bytes, ProfileRecord& record,
                              std::unique_ptr<cTimeSchedule>& schedule);

// Orders the used slots by upper-cased name, schedules moving with their
// profiles; equal names keep their order.
void SortProfiles(ProfileTable& table);

// Rebuilds the table from the Profiles directory and returns the count.
// Files of another format are skipped with a log line; files beyond the
// 300th are skipped with one line.
int16_t LoadAllProfiles(ProfileTable& table, const StoreContext& ctx);

// Reads the file numbered `name_number` into `slot` (0..299, else
// SubscriptError) and tells whether it was loaded. The number in the file
// name, not the one in the record, picks the file.
bool ReadProfileFile(ProfileTable& table, int slot, int16_t name_number, const StoreContext& ctx);

// Writes one slot to its file, replacing it atomically, after giving the
// profile a free number when it has none (or one outside 1..9999 or used by
// another slot). False, with a log line, when it cannot be written.
bool WriteProfileFile(ProfileTable& table, int slot, const StoreContext& ctx);

// Replaces the profile files by the table's: each profile in the file of its
// number, profiles without a usable number getting a drawn one (1..9991, no
// file of that number present, none used by another slot), other profile
// files deleted. On success it stores the drawn numbers and returns true.
// On failure it writes one log line, changes
// neither table nor files (unless every new file was already in place) and
// returns false.
bool SaveAllProfiles(ProfileTable& table, const StoreContext& ctx);

}  // namespace orlund
