#include "store/profiles.h"

#include <algorithm>
#include <bitset>
#include <numeric>
#include <optional>
#include <vector>

#include "base/errors.h"
#include "base/file_utils.h"
#include "base/staged_files.h"
#include "base/text_case.h"
#include "base/text_numbers.h"
#include "store/data_file_names.h"

namespace orlund {

namespace {

constexpr char kProfilePattern[] = "Profile_????.dat";
constexpr size_t kProfilePrefixLength = 8;  // "Profile_"
constexpr int16_t kFormat = 4;
constexpr int kHighestNumber = 9999;
constexpr int kHighestDrawnNumber = 9991;

using NumberSet = std::bitset<kHighestNumber + 1>;

std::string ProfileDirectory(const StoreContext& ctx) { return ctx.project_dir + "Profiles/"; }

int UsedCount(const ProfileTable& table) {
  return std::clamp<int>(table.ProfileCount, 0, kProfileCapacity);
}

bool Usable(int number) { return number >= 1 && number <= kHighestNumber; }

// Numbers of the profile files now in the directory.
NumberSet NumbersOfFiles(const std::vector<std::string>& names) {
  NumberSet numbers;
  for (const std::string& name : names) {
    if (auto number = FileNameNumber(name, kProfilePrefixLength)) numbers.set(*number);
  }
  return numbers;
}

// A number of 1..9991 not in `taken`: drawn uniformly, and when many draws
// miss, the lowest free one; nothing when every number is taken.
std::optional<int16_t> DrawNumber(std::mt19937& generator, const NumberSet& taken) {
  std::uniform_int_distribution<int> draw(1, kHighestDrawnNumber);
  for (int attempt = 0; attempt < 4 * kHighestDrawnNumber; ++attempt) {
    int number = draw(generator);
    if (!taken.test(number)) return static_cast<int16_t>(number);
  }
  for (int number = 1; number <= kHighestDrawnNumber; ++number) {
    if (!taken.test(number)) return static_cast<int16_t>(number);
  }
  return std::nullopt;
}

// The file number of every used slot: its own when usable and not held by
// an earlier slot, else a drawn one. Nothing when no free number is left.
std::optional<std::vector<int16_t>> AssignNumbers(ProfileTable& table, NumberSet taken) {
  const int count = UsedCount(table);
  std::vector<int16_t> numbers(count, 0);
  NumberSet kept;
  for (int slot = 0; slot < count; ++slot) {
    int number = table.Profiles[slot].ProfileNumber;
    if (Usable(number) && !kept.test(number)) {
      kept.set(number);
      numbers[slot] = static_cast<int16_t>(number);
    }
  }
  taken |= kept;
  for (int slot = 0; slot < count; ++slot) {
    if (numbers[slot] != 0) continue;
    std::optional<int16_t> number = DrawNumber(table.NumberGenerator, taken);
    if (!number) return std::nullopt;
    taken.set(*number);
    numbers[slot] = *number;
  }
  return numbers;
}

std::string EncodeWithNumber(const ProfileTable& table, int slot, int16_t number) {
  ProfileRecord record = table.Profiles[slot];
  record.ProfileNumber = number;
  return EncodeProfileFile(record, table.ProfileSchedules[slot].get());
}

bool ReadProfileFileAt(ProfileTable& table, int slot, const std::string& path,
                       const StoreContext& ctx) {
  std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) {
    if (FileExists(path))
      ctx.log.ServerLog(ctx.texts.GetText(kTextFileFormatError) + " '" + path + "' " +
                        ctx.texts.GetText(kTextProfileSkipped));
    table.ProfileSchedules[slot].reset();
    return false;
  }
  ProfileFile file = DecodeProfileFile(*bytes, table.Profiles[slot], table.ProfileSchedules[slot]);
  if (file.status == ProfileFile::Status::kUnknownFormat) {
    ctx.log.ServerLog(ctx.texts.GetText(kTextFileFormatError) + " '" + path + "' (" +
                      std::to_string(file.format_word) + ") " +
                      ctx.texts.GetText(kTextProfileSkipped));
  }
  return file.status == ProfileFile::Status::kLoaded;
}

}  // namespace

std::string ProfileFileName(int number) { return "Profile_" + FourDigits(number) + ".dat"; }

std::string EncodeProfileFile(const ProfileRecord& record, const cTimeSchedule* schedule) {
  ByteWriter out;
  out.Int16(kFormat);
  EncodeProfileRecord(record, out);
  if (schedule != nullptr) {
    schedule->SaveToDisk(out);
  } else {
    cTimeSchedule().SaveToDisk(out);
  }
  return out.Take();
}

ProfileFile DecodeProfileFile(std::string_view bytes, ProfileRecord& record,
                              std::unique_ptr<cTimeSchedule>& schedule) {
  ProfileFile file;
  record = ProfileRecord();
  schedule.reset();
  if (bytes.size() < 2) return file;
  ByteReader in(bytes);
  file.format_word = in.Int16();
  if (file.format_word != kFormat) {
    file.status = ProfileFile::Status::kUnknownFormat;
    return file;
  }
  file.status = ProfileFile::Status::kLoaded;
  schedule = std::make_unique<cTimeSchedule>();
  try {
    DecodeProfileRecord(in, record);
    schedule->ReadFromDisk(in);
  } catch (const TruncatedError&) {
    file.cut_short = true;
  }
  return file;
}

void SortProfiles(ProfileTable& table) {
  const int count = UsedCount(table);
  std::vector<int> order(count);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return CompareIgnoreCase1252(table.Profiles[a].Name, table.Profiles[b].Name) < 0;
  });
  std::vector<ProfileRecord> records(count);
  std::vector<std::unique_ptr<cTimeSchedule>> schedules(count);
  for (int i = 0; i < count; ++i) {
    records[i] = std::move(table.Profiles[order[i]]);
    schedules[i] = std::move(table.ProfileSchedules[order[i]]);
  }
  for (int i = 0; i < count; ++i) {
    table.Profiles[i] = std::move(records[i]);
    table.ProfileSchedules[i] = std::move(schedules[i]);
  }
}

int16_t LoadAllProfiles(ProfileTable& table, const StoreContext& ctx) {
  const std::string directory = ProfileDirectory(ctx);
  for (auto& schedule : table.ProfileSchedules) schedule.reset();
  int count = 0;
  size_t skipped = 0;
  for (const NumberedFile& file :
       ListNumberedFiles(directory, kProfilePattern, kProfilePrefixLength)) {
    if (count == kProfileCapacity) {
      ++skipped;
      continue;
    }
    if (ReadProfileFileAt(table, count, directory + file.name, ctx)) ++count;
  }
  if (skipped > 0) ctx.log.ServerLog(TableFullLogLine(directory, kProfileCapacity, skipped));
  // Unused slots start empty, so that a profile added later holds nothing of
  // a former occupant.
  for (int slot = count; slot < kProfileCapacity; ++slot) {
    table.Profiles[slot] = ProfileRecord();
    table.ProfileSchedules[slot].reset();
  }
  table.ProfileCount = static_cast<int16_t>(count);
  SortProfiles(table);
  return table.ProfileCount;
}

bool ReadProfileFile(ProfileTable& table, int slot, int16_t name_number, const StoreContext& ctx) {
  if (slot < 0 || slot >= kProfileCapacity) {
    throw SubscriptError("profile slot " + std::to_string(slot) + " outside 0..299");
  }
  const std::string directory = ProfileDirectory(ctx);
  std::string path = directory + ProfileFileName(name_number);
  if (!FileExists(path)) {
    // The same name in other letter case, as the original file system found it.
    std::vector<std::string> names = ListMatchingFiles(directory, ProfileFileName(name_number));
    if (!names.empty()) path = directory + names.front();
  }
  return ReadProfileFileAt(table, slot, path, ctx);
}

bool WriteProfileFile(ProfileTable& table, int slot, const StoreContext& ctx) {
  if (slot < 0 || slot >= kProfileCapacity) {
    throw SubscriptError("profile slot " + std::to_string(slot) + " outside 0..299");
  }
  const std::string directory = ProfileDirectory(ctx);
  int16_t number = table.Profiles[slot].ProfileNumber;
  NumberSet taken = NumbersOfFiles(ListMatchingFiles(directory, kProfilePattern));
  bool held_by_earlier = false;
  for (int other = 0; other < UsedCount(table); ++other) {
    if (other == slot) continue;
    int16_t theirs = table.Profiles[other].ProfileNumber;
    if (Usable(theirs)) taken.set(theirs);
    if (other < slot && theirs == number) held_by_earlier = true;
  }
  std::string failure;
  if (!Usable(number) || held_by_earlier) {
    std::optional<int16_t> drawn = DrawNumber(table.NumberGenerator, taken);
    if (drawn) {
      number = *drawn;
    } else {
      failure = "no free profile number";
    }
  }
  StagedFiles staged(directory, StagedFiles::MissingDirectory::kCreate);
  try {
    if (failure.empty() &&
        !(staged.Stage(ProfileFileName(number), EncodeWithNumber(table, slot, number)) &&
          staged.Commit({}))) {
      failure = staged.error();
    }
  } catch (const OverflowError& e) {
    failure = e.what();
  }
  if (!failure.empty()) {
    ctx.log.ServerLog("Profile not saved: " + failure);
    return false;
  }
  table.Profiles[slot].ProfileNumber = number;
  return true;
}

bool SaveAllProfiles(ProfileTable& table, const StoreContext& ctx) {
  const std::string directory = ProfileDirectory(ctx);
  const std::vector<std::string> present = ListMatchingFiles(directory, kProfilePattern);
  std::optional<std::vector<int16_t>> numbers = AssignNumbers(table, NumbersOfFiles(present));
  std::string failure;
  StagedFiles staged(directory, StagedFiles::MissingDirectory::kCreate);
  if (!numbers) {
    failure = "no free profile number";
  } else {
    try {
      for (size_t slot = 0; slot < numbers->size() && failure.empty(); ++slot) {
        int16_t number = (*numbers)[slot];
        if (!staged.Stage(ProfileFileName(number),
                          EncodeWithNumber(table, static_cast<int>(slot), number))) {
          failure = staged.error();
        }
      }
    } catch (const OverflowError& e) {
      failure = e.what();
    }
    if (failure.empty() && !staged.Commit(present)) failure = staged.error();
  }
  if (!failure.empty()) {
    ctx.log.ServerLog("Profiles not saved: " + failure);
    return false;
  }
  for (size_t slot = 0; slot < numbers->size(); ++slot) {
    table.Profiles[slot].ProfileNumber = (*numbers)[slot];
  }
  return true;
}

}  // namespace orlund
