#pragma once
// One profile as its file holds it after the format word: 78 16-bit
// integers and 12 texts in a fixed order. Apart from ProfileNumber and Name
// the server interprets none of the fields; it carries them unchanged.

#include <array>
#include <cstdint>
#include <string>

#include "base/bytes.h"

namespace orlund {

// Fields in file order.
struct ProfileRecord {
  int16_t ProfileNumber = 0;  // number in the file name, 1..9999; 0: no file yet
  int16_t ProfileWord = 0;
  std::string Name;
  std::array<int16_t, 6> WordsA{};
  std::string TextA;
  std::string TextB;
  std::array<std::string, 6> TextList;
  std::array<int16_t, 3> WordsB{};
  std::string TextC;
  std::array<int16_t, 2> WordsC{};
  std::string TextD;
  std::string TextE;
  int16_t WordD = 0;
  std::array<int16_t, 64> WordTable{};

  friend bool operator==(const ProfileRecord&, const ProfileRecord&) = default;
};

// 180 bytes plus the text bytes. Throws OverflowError for a text longer
// than 65535 bytes.
void EncodeProfileRecord(const ProfileRecord& record, ByteWriter& out);

// Reads the fields in order straight into `record`. When the bytes end
// early it throws TruncatedError and `record` keeps the fields read so far.
void DecodeProfileRecord(ByteReader& in, ProfileRecord& record);

}  // namespace orlund
