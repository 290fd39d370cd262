#pragma once
// Names of the numbered data files ("Profile_0042.dat", "Receiver_0000.dat",
// "ReceiverType_0012.rcv"): the four digits after a fixed prefix, and the
// listing of such files that every loader starts from.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_system.h"

namespace orlund {

// The last four characters of "0000" followed by `number` in decimal: the
// digits of a file name (42 -> "0042").
std::string FourDigits(int number);

// The number in the four characters after the first `prefix_length`
// characters of `name`, when those are exactly four decimal digits (the
// value then always fits 16 bits); nothing for anything else.
std::optional<int16_t> FileNameNumber(std::string_view name, size_t prefix_length);

struct NumberedFile {
  std::string name;  // as listed
  int16_t number;
};

// The files of `directory` matching `pattern` (letter case ignored) whose
// four characters after `prefix_length` are a number, others left out. They
// come in the order the original file system listed them, by name with
// letter case ignored, so that loads do not depend on the order of the
// directory's entries. A missing directory, or a file in its place, holds
// none; one that cannot be listed raises FileError.
std::vector<NumberedFile> ListNumberedFiles(const std::string& directory, std::string_view pattern,
                                            size_t prefix_length, FileSystem& fs);

// The one log line of a load that found more files than its table holds.
std::string TableFullLogLine(const std::string& directory, size_t capacity, size_t skipped);

}  // namespace orlund
