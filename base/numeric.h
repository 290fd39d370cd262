#pragma once
// The numeric value of a text, read the way a typed number is read. Every
// reader of a number held in a text (INI settings, language file numbers,
// typed times of day, receiver type message lengths) goes through here, so
// that the same text gives the same number everywhere.
//
// Rules: leading blanks (space, tab) are skipped; then either "&H" or "&O"
// (either letter case) followed by hexadecimal or octal digits, read as a
// non-negative value; or an optional sign, digits, an optional "." and
// digits, and an optional exponent ("E" or "e", optional sign, at least one
// digit; without a digit the "E" ends the number). Reading stops at the first
// character that cannot continue the number. A text without a number gives 0.
// A number beyond the range of a double gives plus or minus infinity.

#include <cstdint>
#include <optional>
#include <string_view>

namespace orlund {

double TextToNumber(std::string_view text);

// Nearest integer value, halves to the even neighbour (0.5 -> 0, 1.5 -> 2,
// -2.5 -> -2). Infinities and NaN come back unchanged.
double RoundHalfEven(double value);

// TextToNumber rounded with RoundHalfEven; nothing when the rounded value
// does not fit the type. The caller decides what an overflow means.
std::optional<int32_t> TextToInt32(std::string_view text);
std::optional<int16_t> TextToInt16(std::string_view text);

}  // namespace orlund
