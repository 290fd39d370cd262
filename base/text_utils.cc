#include "base/text_utils.h"

#include <algorithm>

#include "base/errors.h"
#include "base/numeric.h"

namespace orlund {

std::string GetField(std::string_view text, int index, std::string& separator) {
  if (separator.empty()) {
    if (text.find('\t') != std::string_view::npos) {
      separator = "\t";
    } else if (text.find(';') != std::string_view::npos) {
      separator = ";";
    }
  }
  return GetField(text, index, std::string_view(separator));
}

std::string GetField(std::string_view text, int index, std::string_view separator) {
  if (separator.empty()) {
    if (text.find('\t') != std::string_view::npos) {
      separator = "\t";
    } else if (text.find(';') != std::string_view::npos) {
      separator = ";";
    } else {
      return "";
    }
  }
  size_t start = 0;
  size_t pos = text.find(separator);
  int n = index;
  while (n > 0 && pos != std::string_view::npos) {
    start = pos + separator.size();
    pos = text.find(separator, start);
    --n;
  }
  if (n != 0) return "";
  if (pos == std::string_view::npos) pos = text.size();
  return std::string(text.substr(start, pos - start));
}

namespace {

// value(x) of a time part. Limited far beyond any time of day so that the
// sum of hours and minutes can never be infinity minus infinity.
double TimePartValue(std::string_view part) {
  constexpr double kLimit = 1e15;
  return std::clamp(TextToNumber(part), -kLimit, kLimit);
}

}  // namespace

int16_t TimeTextToMinutes(std::string_view text) {
  double minutes = 0;
  size_t b = std::string_view::npos;
  for (char separator : {':', '.', ',', ' ', '-', '+'}) {
    b = text.find(separator);
    if (b != std::string_view::npos) break;
  }
  if (b != std::string_view::npos) {
    minutes = TimePartValue(text.substr(0, b)) * 60 + TimePartValue(text.substr(b + 1));
  } else {
    std::string s(text);
    if ((s.empty() || s[0] != '0') && s.size() < 3) s += "00";
    s = "0000" + s;
    std::string_view hhmm = std::string_view(s).substr(s.size() - 4);
    minutes = TimePartValue(hhmm.substr(0, 2)) * 60 + TimePartValue(hhmm.substr(2, 2));
  }
  return static_cast<int16_t>(std::clamp(RoundHalfEven(minutes), 0.0, 1440.0));
}

std::string IntegerToChars(int32_t value) {
  if (value < -32768 || value > 32767) {
    throw OverflowError("IntegerToChars: " + std::to_string(value) + " is not a 16-bit integer");
  }
  uint16_t bits = static_cast<uint16_t>(value);
  return std::string{static_cast<char>(bits >> 8), static_cast<char>(bits & 0xFF)};
}

int16_t CharsToInteger(std::string_view text) {
  if (text.size() < 2) throw InvalidArgumentError("CharsToInteger needs two characters");
  int v = static_cast<unsigned char>(text[0]) * 256 + static_cast<unsigned char>(text[1]);
  return static_cast<int16_t>(v >= 32768 ? v - 65536 : v);
}

bool LineReader::Next(std::string& line) {
  line.clear();
  if (pos_ >= bytes_.size()) return false;
  size_t end = bytes_.find_first_of("\r\n", pos_);
  if (end == std::string::npos) {
    line.assign(bytes_, pos_, std::string::npos);
    pos_ = bytes_.size();
    return true;
  }
  line.assign(bytes_, pos_, end - pos_);
  pos_ = end + 1;
  if (bytes_[end] == '\r' && pos_ < bytes_.size() && bytes_[pos_] == '\n') ++pos_;
  return true;
}

}  // namespace orlund
