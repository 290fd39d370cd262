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
#include <vector>

#include "schedule/time_schedule.h"
#include "store/profile_record.h"
#include "store/store_context.h"
#include "store/table_files.h"

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
  // The profile files as last loaded or saved.
  KnownFiles LoadedFiles;
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
    kLoaded,         // format 4
    kUnknownFormat,  // another format word
    kDamaged,        // format 4, but the bytes end before the schedule block does
  };
  Status status = Status::kTooShort;
  int16_t format_word = 0;
};
// Decodes the bytes of one profile file into `record` and `schedule`, which
// are cleared first; `schedule` is set for kLoaded only. Never throws.
ProfileFile DecodeProfileFile(std::string_view bytes, ProfileRecord& record,
                              std::unique_ptr<cTimeSchedule>& schedule);

// Orders the used slots by upper-cased name, schedules moving with their
// profiles; equal names keep their order.
void SortProfiles(ProfileTable& table);

// Rebuilds the table from the Profiles directory and returns the count.
// Files of another format or cut short are skipped with a log line; files
// beyond the 300th are skipped with one line. A directory that cannot be
// listed raises FileError and leaves the table as it was.
int16_t LoadAllProfiles(ProfileTable& table, const StoreContext& ctx);

// A save of the profiles (see store/table_files.h): each profile in the file
// of its number, profiles without a usable number (0, outside 1..9999, or
// held by an earlier slot) getting one drawn from 1..9991 that no file
// present and no other slot has. The event thread's half takes every
// profile's content; it raises OverflowError for a text or period list too
// long for its field.
struct ProfileSave {
  TableSave files;                 // the content of each slot's file; the writer names them
  std::vector<int16_t> numbers;    // each slot's ProfileNumber
  std::vector<std::string> names;  // each slot's Name
  std::mt19937 generator;
};
ProfileSave SnapshotProfiles(const ProfileTable& table, const StoreContext& ctx,
                             const std::string& time_stamp);

struct ProfileSaveOutcome {
  TableSaveOutcome files;
  std::vector<int16_t> numbers;  // each slot's file number, once drawn
  std::mt19937 generator;        // after the draws
};
// The writer's half. Raises std::runtime_error when no free number is left.
ProfileSaveOutcome WriteProfileFiles(const ProfileSave& save, FileSystem& fs);

// Back on the event thread: the generator goes on after the draws, and on
// success each profile that drew a number stores it, found again by its name
// and its former number (where it was, else the first slot holding both)
// when clients changed the table meanwhile.
void TakeProfileSaveOutcome(ProfileTable& table, const ProfileSave& save,
                            const ProfileSaveOutcome& outcome, const StoreContext& ctx);

// Both halves and the outcome taken back, on the calling thread. False, with
// the reason in `error`, when the files could not be saved; the table's
// numbers are then as they were.
bool SaveAllProfiles(ProfileTable& table, const StoreContext& ctx, std::string* error = nullptr);

}  // namespace orlund
