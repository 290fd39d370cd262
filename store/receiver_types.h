#pragma once
// Receiver types: the definition files "ReceiverType_NNNN.rcv" of the
// project's ReceiverTypes directory, read once at start-up into a table of
// 300 slots in the order of their file names. Each holds a display name, the
// algorithm name, a message length and two setup templates that clients get
// unchanged.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "store/store_context.h"

namespace orlund {

inline constexpr int kReceiverTypeCapacity = 300;
// Buffer length of a template: it holds at most 4095 characters.
inline constexpr int32_t kTemplateBufferLength = 4096;

struct ReceiverTypeRecord {
  int16_t Number = 0;         // the four digits of the file name
  std::string Name;           // [General] Name, "[none]" when absent
  std::string SpareTextA;     // never assigned
  std::string Algorithm;      // [General] Algorithm, upper-cased
  int16_t MessageLength = 0;  // [General] MessageLength; 0 when absent or too large
  std::string IniFile;        // "ReceiverTypes/" & name before ".rcv" & ".INI"
  std::string RcvFile;        // "ReceiverTypes/" & the file name as listed
  std::string ReceiverSetupTemplate;
  std::string ReceiverTypeSetupTemplate;
  std::string SpareTextB;  // never assigned

  friend bool operator==(const ReceiverTypeRecord &, const ReceiverTypeRecord &) = default;
};

struct ReceiverTypeTable {
  std::array<ReceiverTypeRecord, kReceiverTypeCapacity> ReceiverTypes;
  int16_t ReceiverTypeCount = 0;
};

// The record of the definition file `file_name` (as listed) with the number
// `number` and the INI text `content`. A template is the lines of its
// section that are neither empty nor comments, each followed by one byte 0,
// taken in order while they fit in 4095 characters.
ReceiverTypeRecord ReceiverTypeFromFile(std::string_view file_name, int16_t number,
                                        std::string_view content);

// Rebuilds the table from the ReceiverTypes directory and returns the count.
// A file that cannot be read gives its defaults; files beyond the 300th are
// skipped with one log line.
int16_t LoadReceiverTypes(ReceiverTypeTable &table, const StoreContext &ctx);

}  // namespace orlund
