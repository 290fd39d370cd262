#pragma once
// Receivers: one file per receiver in the project's Receivers directory,
// loaded into a table of 300 slots sorted by upper-cased name, and written
// back, renumbered by slot, after clients changed them. Files of the older
// format 3 are converted in memory on loading.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/bytes.h"
#include "store/store_context.h"
#include "store/table_files.h"
#include "store/variant.h"

namespace orlund {

inline constexpr int kReceiverCapacity = 300;

// Format 4, fields in file order.
struct ReceiverRecord {
  int16_t ReceiverWord = 0;
  int16_t ReceiverFlag = 0;
  int16_t ReceiverTypeNumber = 0;
  std::string Name;
  std::array<Variant, 4> Settings;
  int16_t ExtraWord = 0;
  std::array<uint8_t, 8> ExtraBytes{};
  std::string ReceiverText;
  std::array<std::string, 4> ExtraTexts;

  friend bool operator==(const ReceiverRecord&, const ReceiverRecord&) = default;
};

// Format 3 (read only), fields in file order.
struct ReceiverRecord3 {
  int16_t FirstWord = 0;
  int16_t TypeNumber = 0;
  std::string Name;
  std::array<Variant, 4> Settings;
};

struct ReceiverTable {
  std::array<ReceiverRecord, kReceiverCapacity> Receivers;
  int16_t ReceiverCount = 0;
  // The receiver files as last loaded or saved.
  KnownFiles LoadedFiles;
};

// A format 3 record as format 4: the first word, type number, name and
// settings carried over, ReceiverFlag -1 (true), every other field zero or
// empty.
ReceiverRecord ConvertReceiverRecord3(const ReceiverRecord3& old);

// Record codecs. The decoders throw TruncatedError when the bytes end early
// and InvalidArgumentError for an unknown setting kind; the encoder throws
// OverflowError for a text longer than 65535 bytes.
void EncodeReceiverRecord(const ReceiverRecord& record, ByteWriter& out);
ReceiverRecord DecodeReceiverRecord(ByteReader& in);
ReceiverRecord3 DecodeReceiverRecord3(ByteReader& in);

// A whole receiver file: the format word 4 and the record.
std::string EncodeReceiverFile(const ReceiverRecord& record);

struct ReceiverFile {
  enum class Status {
    kTooShort,       // 0 or 1 bytes: skipped without a word
    kLoaded,         // format 4
    kConverted,      // format 3, converted
    kUnknownFormat,  // another format word
    kDamaged,        // format 3 or 4 whose record cannot be read to its end
  };
  Status status = Status::kTooShort;
  int16_t format_word = 0;
  ReceiverRecord record;  // filled for kLoaded and kConverted only
};
// Decodes the bytes of one receiver file; never throws.
ReceiverFile DecodeReceiverFile(std::string_view bytes);

// "Receiver_" & four digits & ".dat".
std::string ReceiverFileName(int number);

// Orders the used slots by upper-cased name; equal names keep their order.
void SortReceivers(ReceiverTable& table);

// Rebuilds the table from the Receivers directory and returns the count.
// Files that cannot be used are skipped, most with a log line; files beyond
// the 300th are skipped with one line. A directory that cannot be listed
// raises FileError and leaves the table as it was.
int16_t LoadAllReceivers(ReceiverTable& table, const StoreContext& ctx);

// A save of the receivers: the files Receiver_0000.dat, Receiver_0001.dat,
// ... in slot order replace the receiver files (see store/table_files.h).
// The event thread's half sorts the table and takes every file's content;
// it raises OverflowError for a text too long for its field.
TableSave SnapshotReceivers(ReceiverTable& table, const StoreContext& ctx,
                            const std::string& time_stamp);
// The writer's half.
TableSaveOutcome WriteReceiverFiles(const TableSave& save, FileSystem& fs);
// Both halves and the outcome taken back, on the calling thread. False, with
// the reason in `error`, when the files could not be saved.
bool SaveAllReceivers(ReceiverTable& table, const StoreContext& ctx, std::string* error = nullptr);

}  // namespace orlund
