#include "store/receivers.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "base/empty_slot.h"
#include "base/errors.h"
#include "base/file_text.h"
#include "base/text_case.h"
#include "base/text_numbers.h"
#include "store/data_file_names.h"

namespace orlund {

namespace {

constexpr char kReceiverPattern[] = "Receiver_????.dat";
constexpr size_t kReceiverPrefixLength = 9;  // "Receiver_"
constexpr int16_t kFormat = 4;
constexpr int16_t kOldFormat = 3;

std::string ReceiverDirectory(const StoreContext& ctx) { return ctx.project_dir + "Receivers/"; }

}  // namespace

ReceiverRecord ConvertReceiverRecord3(const ReceiverRecord3& old) {
  ReceiverRecord record;
  record.ReceiverWord = old.FirstWord;
  record.ReceiverFlag = -1;
  record.ReceiverTypeNumber = old.TypeNumber;
  record.Name = old.Name;
  record.Settings = old.Settings;
  return record;
}

void EncodeReceiverRecord(const ReceiverRecord& record, ByteWriter& out) {
  out.Int16(record.ReceiverWord);
  out.Int16(record.ReceiverFlag);
  out.Int16(record.ReceiverTypeNumber);
  WriteFileText(out, record.Name);
  for (const Variant& setting : record.Settings) setting.Encode(out);
  out.Int16(record.ExtraWord);
  for (uint8_t b : record.ExtraBytes) out.Byte(b);
  WriteFileText(out, record.ReceiverText);
  for (const std::string& text : record.ExtraTexts) WriteFileText(out, text);
}

ReceiverRecord DecodeReceiverRecord(ByteReader& in) {
  ReceiverRecord record;
  record.ReceiverWord = in.Int16();
  record.ReceiverFlag = in.Int16();
  record.ReceiverTypeNumber = in.Int16();
  record.Name = in.Text();
  for (Variant& setting : record.Settings) setting = Variant::Decode(in);
  record.ExtraWord = in.Int16();
  for (uint8_t& b : record.ExtraBytes) b = in.Byte();
  record.ReceiverText = in.Text();
  for (std::string& text : record.ExtraTexts) text = in.Text();
  return record;
}

ReceiverRecord3 DecodeReceiverRecord3(ByteReader& in) {
  ReceiverRecord3 record;
  record.FirstWord = in.Int16();
  record.TypeNumber = in.Int16();
  record.Name = in.Text();
  for (Variant& setting : record.Settings) setting = Variant::Decode(in);
  return record;
}

std::string EncodeReceiverFile(const ReceiverRecord& record) {
  ByteWriter out;
  out.Int16(kFormat);
  EncodeReceiverRecord(record, out);
  return out.Take();
}

ReceiverFile DecodeReceiverFile(std::string_view bytes) {
  ReceiverFile file;
  if (bytes.size() < 2) return file;
  ByteReader in(bytes);
  file.format_word = in.Int16();
  try {
    if (file.format_word == kFormat) {
      file.record = DecodeReceiverRecord(in);
      file.status = ReceiverFile::Status::kLoaded;
    } else if (file.format_word == kOldFormat) {
      file.record = ConvertReceiverRecord3(DecodeReceiverRecord3(in));
      file.status = ReceiverFile::Status::kConverted;
    } else {
      file.status = ReceiverFile::Status::kUnknownFormat;
    }
  } catch (const TruncatedError&) {
    file.status = ReceiverFile::Status::kDamaged;
  } catch (const InvalidArgumentError&) {
    file.status = ReceiverFile::Status::kDamaged;
  }
  if (file.status == ReceiverFile::Status::kDamaged) file.record = ReceiverRecord();
  return file;
}

std::string ReceiverFileName(int number) { return "Receiver_" + FourDigits(number) + ".dat"; }

void SortReceivers(ReceiverTable& table) {
  int count = std::clamp<int>(table.ReceiverCount, 0, kReceiverCapacity);
  std::stable_sort(table.Receivers.begin(), table.Receivers.begin() + count,
                   [](const ReceiverRecord& a, const ReceiverRecord& b) {
                     return CompareIgnoreCase1252(a.Name, b.Name) < 0;
                   });
}

int16_t LoadAllReceivers(ReceiverTable& table, const StoreContext& ctx) {
  const std::string directory = ReceiverDirectory(ctx);
  const std::vector<NumberedFile> files =
      ListNumberedFiles(directory, kReceiverPattern, kReceiverPrefixLength, ctx.fs);
  int count = 0;
  size_t skipped = 0;
  table.LoadedFiles.clear();
  auto log_unusable = [&](const std::string& name, const std::string& word) {
    ctx.log.ServerLog(ctx.texts.GetText(kTextFileFormatError) + " '" + name + "' " + word +
                      ctx.texts.GetText(kTextReceiverSkipped));
  };
  for (const NumberedFile& file : files) {
    if (count == kReceiverCapacity) {
      ++skipped;
      continue;
    }
    std::string bytes;
    FileIdentity identity;
    if (ctx.fs.ReadFile(directory + file.name, bytes, identity) != 0) {
      log_unusable(file.name, "");
      continue;
    }
    ReceiverFile decoded = DecodeReceiverFile(bytes);
    std::string word = "(" + std::to_string(decoded.format_word) + ") ";
    switch (decoded.status) {
      case ReceiverFile::Status::kTooShort:
        continue;
      case ReceiverFile::Status::kConverted:
        ctx.log.ServerLog(ctx.texts.GetText(kTextReceiverFileConverted) + " '" + file.name + "' (" +
                          std::to_string(kOldFormat) + " -> " + std::to_string(kFormat) + ")");
        break;
      case ReceiverFile::Status::kLoaded:
        break;
      case ReceiverFile::Status::kUnknownFormat:
      case ReceiverFile::Status::kDamaged:
        log_unusable(file.name, word);
        continue;
    }
    std::swap(table.Receivers[count++], decoded.record);
    table.LoadedFiles[file.name] = identity;
  }
  if (skipped > 0) ctx.log.ServerLog(TableFullLogLine(directory, kReceiverCapacity, skipped));
  // Unused slots start empty, so that a receiver added later holds nothing
  // of a former occupant.
  for (int slot = count; slot < kReceiverCapacity; ++slot) EmptySlot(table.Receivers[slot]);
  table.ReceiverCount = static_cast<int16_t>(count);
  SortReceivers(table);
  return table.ReceiverCount;
}

TableSave SnapshotReceivers(ReceiverTable& table, const StoreContext& ctx,
                            const std::string& time_stamp) {
  SortReceivers(table);
  TableSave save{ReceiverDirectory(ctx), kReceiverPattern, {}, table.LoadedFiles, time_stamp};
  const int count = std::clamp<int>(table.ReceiverCount, 0, kReceiverCapacity);
  for (int slot = 0; slot < count; ++slot) {
    save.files.emplace_back(ReceiverFileName(slot), EncodeReceiverFile(table.Receivers[slot]));
  }
  return save;
}

TableSaveOutcome WriteReceiverFiles(const TableSave& save, FileSystem& fs) {
  return SaveTableFiles(fs, save);
}

bool SaveAllReceivers(ReceiverTable& table, const StoreContext& ctx, std::string* error) {
  std::string failure;
  try {
    const TableSaveOutcome outcome =
        WriteReceiverFiles(SnapshotReceivers(table, ctx, FormatFileDateTime(LocalNow())), ctx.fs);
    TakeTableSaveOutcome(table.LoadedFiles, outcome, ctx.log);
    failure = outcome.error;
  } catch (const std::exception& e) {
    failure = e.what();
  }
  if (error != nullptr) *error = failure;
  return failure.empty();
}

}  // namespace orlund
