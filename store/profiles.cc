#include "store/profiles.h"

#include <algorithm>
#include <bitset>
#include <cerrno>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <vector>

#include "base/clock.h"
#include "base/empty_slot.h"
#include "base/errors.h"
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

// The file number of every slot: its own when usable and not held by an
// earlier slot, else a drawn one not in `taken`.
std::vector<int16_t> AssignNumbers(const std::vector<int16_t>& own, NumberSet taken,
                                   std::mt19937& generator) {
  std::vector<int16_t> numbers(own.size(), 0);
  NumberSet kept;
  for (size_t slot = 0; slot < own.size(); ++slot) {
    if (Usable(own[slot]) && !kept.test(own[slot])) {
      kept.set(own[slot]);
      numbers[slot] = own[slot];
    }
  }
  taken |= kept;
  for (int16_t& number : numbers) {
    if (number != 0) continue;
    std::optional<int16_t> drawn = DrawNumber(generator, taken);
    if (!drawn) throw std::runtime_error("no free profile number");
    taken.set(*drawn);
    number = *drawn;
  }
  return numbers;
}

// The record's number is its first field, right after the format word.
void SetFileNumber(std::string& file, int16_t number) {
  file[2] = static_cast<char>(number & 0xFF);
  file[3] = static_cast<char>((number >> 8) & 0xFF);
}

bool ReadProfileFileAt(ProfileTable& table, int slot, const std::string& path,
                       const StoreContext& ctx) {
  std::string bytes;
  FileIdentity identity;
  auto log_skipped = [&](const std::string& word) {
    ctx.log.ServerLog(ctx.texts.GetText(kTextFileFormatError) + " '" + path + "' " + word +
                      ctx.texts.GetText(kTextProfileSkipped));
  };
  if (int error = ctx.fs.ReadFile(path, bytes, identity)) {
    if (error != ENOENT) log_skipped("");  // not one removed since the listing
    table.ProfileSchedules[slot].reset();
    return false;
  }
  ProfileFile file = DecodeProfileFile(bytes, table.Profiles[slot], table.ProfileSchedules[slot]);
  if (file.status == ProfileFile::Status::kUnknownFormat ||
      file.status == ProfileFile::Status::kDamaged) {
    log_skipped("(" + std::to_string(file.format_word) + ") ");
  }
  if (file.status != ProfileFile::Status::kLoaded) return false;
  table.LoadedFiles[path.substr(path.rfind('/') + 1)] = identity;
  return true;
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
  auto read = std::make_unique<cTimeSchedule>();
  try {
    DecodeProfileRecord(in, record);
    read->ReadFromDisk(in);
  } catch (const TruncatedError&) {
    record = ProfileRecord();
    file.status = ProfileFile::Status::kDamaged;
    return file;
  }
  schedule = std::move(read);
  file.status = ProfileFile::Status::kLoaded;
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
  const std::vector<NumberedFile> files =
      ListNumberedFiles(directory, kProfilePattern, kProfilePrefixLength, ctx.fs);
  for (auto& schedule : table.ProfileSchedules) schedule.reset();
  table.LoadedFiles.clear();
  int count = 0;
  size_t skipped = 0;
  for (const NumberedFile& file : files) {
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
    EmptySlot(table.Profiles[slot]);
    table.ProfileSchedules[slot].reset();
  }
  table.ProfileCount = static_cast<int16_t>(count);
  SortProfiles(table);
  return table.ProfileCount;
}

ProfileSave SnapshotProfiles(const ProfileTable& table, const StoreContext& ctx,
                             const std::string& time_stamp) {
  ProfileSave save{{ProfileDirectory(ctx), kProfilePattern, {}, table.LoadedFiles, time_stamp},
                   {},
                   {},
                   table.NumberGenerator};
  for (int slot = 0; slot < UsedCount(table); ++slot) {
    const ProfileRecord& record = table.Profiles[slot];
    save.files.files.emplace_back("",
                                  EncodeProfileFile(record, table.ProfileSchedules[slot].get()));
    save.numbers.push_back(record.ProfileNumber);
    save.names.push_back(record.Name);
  }
  return save;
}

ProfileSaveOutcome WriteProfileFiles(const ProfileSave& save, FileSystem& fs) {
  ProfileSaveOutcome outcome;
  outcome.generator = save.generator;
  outcome.files = SaveTableFiles(fs, save.files, [&](const std::vector<ListedFile>& listed) {
    NumberSet taken;
    for (const ListedFile& file : listed) {
      if (auto number = FileNameNumber(file.name, kProfilePrefixLength)) taken.set(*number);
    }
    outcome.numbers = AssignNumbers(save.numbers, taken, outcome.generator);
    NamedFiles named = save.files.files;
    for (size_t slot = 0; slot < named.size(); ++slot) {
      named[slot].first = ProfileFileName(outcome.numbers[slot]);
      SetFileNumber(named[slot].second, outcome.numbers[slot]);
    }
    return named;
  });
  return outcome;
}

void TakeProfileSaveOutcome(ProfileTable& table, const ProfileSave& save,
                            const ProfileSaveOutcome& outcome, const StoreContext& ctx) {
  TakeTableSaveOutcome(table.LoadedFiles, outcome.files, ctx.log);
  table.NumberGenerator = outcome.generator;
  if (!outcome.files.saved) return;
  const int count = UsedCount(table);
  auto holds = [&](int slot, size_t saved) {
    return slot < count && table.Profiles[slot].Name == save.names[saved] &&
           table.Profiles[slot].ProfileNumber == save.numbers[saved];
  };
  for (size_t saved = 0; saved < outcome.numbers.size(); ++saved) {
    if (outcome.numbers[saved] == save.numbers[saved]) continue;
    int slot = static_cast<int>(saved);
    if (!holds(slot, saved)) {
      slot = 0;
      while (slot < count && !holds(slot, saved)) ++slot;
    }
    if (slot < count) table.Profiles[slot].ProfileNumber = outcome.numbers[saved];
  }
}

bool SaveAllProfiles(ProfileTable& table, const StoreContext& ctx, std::string* error) {
  std::string failure;
  try {
    const ProfileSave save = SnapshotProfiles(table, ctx, FormatFileDateTime(LocalNow()));
    const ProfileSaveOutcome outcome = WriteProfileFiles(save, ctx.fs);
    TakeProfileSaveOutcome(table, save, outcome, ctx);
    failure = outcome.files.error;
  } catch (const std::exception& e) {
    failure = e.what();
  }
  if (error != nullptr) *error = failure;
  return failure.empty();
}

}  // namespace orlund
