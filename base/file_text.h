#pragma once
// A text field of a data file: a 16-bit length and the bytes. A text whose
// length does not fit 16 bits raises OverflowError instead of writing a
// length that would misread every later field.

#include <string>
#include <string_view>

#include "base/bytes.h"
#include "base/errors.h"

namespace orlund {

inline void WriteFileText(ByteWriter& out, std::string_view text) {
  if (text.size() > 0xFFFF) {
    throw OverflowError("a text of " + std::to_string(text.size()) +
                        " bytes does not fit a 16-bit length");
  }
  out.Text(text);
}

}  // namespace orlund
