#pragma once
// Small text helpers shared by the whole server: fields of a separated text,
// typed times of day, the two-character integer of the schedule's period
// array, and a line reader whose loop always ends.

#include <cstdint>
#include <string>
#include <string_view>

namespace orlund {

// Field `index` (0 = first) of `text` split at `separator` (case-sensitive,
// may be longer than one character). An empty `separator` becomes the tab
// when `text` holds one, else ";" when `text` holds one, and that choice is
// written back to the caller's variable; when it stays empty the result is
// empty. A missing field or a negative index gives empty text.
std::string GetField(std::string_view text, int index, std::string& separator);
// The same for callers that do not need the separator written back.
std::string GetField(std::string_view text, int index, std::string_view separator);

// Minutes 0..1440 of a typed time of day ("7:30", "07.30", "730", "7"). The
// first of ":", ".", ",", " ", "-", "+" found in the text splits hours from
// minutes; without one the last four digits of the zero-padded text are
// HHMM, a bare one- or two-digit hour not starting with "0" taking "00".
// Values are read with TextToNumber; the result is rounded (halves to even)
// and clamped, so huge numbers give 1440 and negative ones 0.
int16_t TimeTextToMinutes(std::string_view text);

// The 16-bit two's complement pattern of `value`, high byte first (300 ->
// codes 1, 44; -1 -> 255, 255). Throws OverflowError when `value` lies
// outside -32768..32767.
std::string IntegerToChars(int32_t value);

// The 16-bit signed value of the first two characters, high byte first.
// Throws InvalidArgumentError when `text` has fewer than two characters.
int16_t CharsToInteger(std::string_view text);

// Reads the lines of a byte string. CR LF, LF and a lone CR each end a line;
// the line end is not part of the line. A final line without a line end is
// still a line; an empty input has none. Every byte value is allowed inside a
// line, and each call consumes at least one byte, so a loop over Next always
// ends.
class LineReader {
 public:
  explicit LineReader(std::string bytes) : bytes_(std::move(bytes)) {}

  // The next line into `line`; false (and `line` emptied) at the end.
  bool Next(std::string& line);
  bool AtEnd() const { return pos_ >= bytes_.size(); }

 private:
  std::string bytes_;
  size_t pos_ = 0;
};

}  // namespace orlund
