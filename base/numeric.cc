#include "base/numeric.h"

#include <locale.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace orlund {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// Hexadecimal or octal digits after the "&H"/"&O" prefix.
double ReadRadixDigits(std::string_view text, size_t pos, int radix) {
  double value = 0;
  while (pos < text.size() && DigitValue(text[pos]) < radix) {
    value = value * radix + DigitValue(text[pos]);
    ++pos;
  }
  return value;
}

// strtod in the "C" locale, whatever the process locale says about the
// decimal point.
double ParseDecimal(const std::string& digits) {
  static locale_t c_locale = newlocale(LC_ALL_MASK, "C", nullptr);
  return strtod_l(digits.c_str(), nullptr, c_locale);
}

}  // namespace

double TextToNumber(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  if (pos + 1 < text.size() && text[pos] == '&') {
    char kind = text[pos + 1];
    if (kind == 'H' || kind == 'h') return ReadRadixDigits(text, pos + 2, 16);
    if (kind == 'O' || kind == 'o') return ReadRadixDigits(text, pos + 2, 8);
    return 0;
  }
  // Copy exactly the characters that form the number, so that strtod sees
  // nothing it might read differently (hex floats, "inf", "nan").
  std::string number;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) number += text[pos++];
  bool any_digit = false;
  while (pos < text.size() && IsDigit(text[pos])) {
    number += text[pos++];
    any_digit = true;
  }
  if (pos < text.size() && text[pos] == '.') {
    number += text[pos++];
    while (pos < text.size() && IsDigit(text[pos])) {
      number += text[pos++];
      any_digit = true;
    }
  }
  if (!any_digit) return 0;
  if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
    size_t exponent = pos + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
    if (exponent < text.size() && IsDigit(text[exponent])) {
      number.append(text.substr(pos, exponent - pos));
      pos = exponent;
      while (pos < text.size() && IsDigit(text[pos])) number += text[pos++];
    }
  }
  return ParseDecimal(number);
}

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  double floor = std::floor(value);
  double fraction = value - floor;
  if (fraction < 0.5) return floor;
  if (fraction > 0.5) return floor + 1;
  return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

namespace {

template <typename Int>
std::optional<Int> RoundedInto(std::string_view text) {
  double rounded = RoundHalfEven(TextToNumber(text));
  // NaN fails both comparisons.
  if (!(rounded >= static_cast<double>(std::numeric_limits<Int>::min()) &&
        rounded <= static_cast<double>(std::numeric_limits<Int>::max()))) {
    return std::nullopt;
  }
  return static_cast<Int>(rounded);
}

}  // namespace

std::optional<int32_t> TextToInt32(std::string_view text) { return RoundedInto<int32_t>(text); }

std::optional<int16_t> TextToInt16(std::string_view text) { return RoundedInto<int16_t>(text); }

}  // namespace orlund
