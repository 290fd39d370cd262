#include "store/variant.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/errors.h"
#include "base/file_text.h"
#include "schedule/ole_date.h"

namespace orlund {

namespace {

// The shortest text that reads back to the same value, exponent as "E".
template <typename Real>
std::string RealText(Real value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, result.ptr);
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  return text;
}

std::string CurrencyText(int64_t scaled) {
  bool negative = scaled < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  std::string text = negative ? "-" : "";
  text += std::to_string(magnitude / 10000);
  unsigned fraction = static_cast<unsigned>(magnitude % 10000);
  if (fraction != 0) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04u", fraction);
    std::string f(digits);
    while (f.back() == '0') f.pop_back();
    text += "." + f;
  }
  return text;
}

std::string DateText(double value) {
  // Serial days of 1 January 100 and of 1 January 10000.
  if (!std::isfinite(value) || value < -657434.0 || value >= 2958466.0) return RealText(value);
  double whole = std::trunc(value);
  int64_t serial = static_cast<int64_t>(whole);
  int64_t seconds = std::llround(std::fabs(value - whole) * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    serial += value < 0 ? -1 : 1;
  }
  char buffer[48];
  std::string time;
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  time = buffer;
  if (serial == 0) return time;
  const CivilDate parts = PartsFromSerialDay(static_cast<int32_t>(serial));
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", parts.year, parts.month, parts.day);
  std::string date = buffer;
  return seconds == 0 ? date : date + " " + time;
}

}  // namespace

Variant Variant::FromBits(VariantKind kind, uint64_t bits) {
  Variant v;
  v.kind_ = kind;
  v.bits_ = bits;
  return v;
}

Variant Variant::Null() {
  Variant v;
  v.kind_ = VariantKind::kNull;
  return v;
}

Variant Variant::FromInt16(int16_t value) {
  Variant v;
  v.kind_ = VariantKind::kInt16;
  v.bits_ = static_cast<uint64_t>(static_cast<int64_t>(value));
  return v;
}

Variant Variant::FromInt32(int32_t value) {
  Variant v;
  v.kind_ = VariantKind::kInt32;
  v.bits_ = static_cast<uint64_t>(static_cast<int64_t>(value));
  return v;
}

Variant Variant::FromFloat(float value) {
  Variant v;
  v.kind_ = VariantKind::kFloat;
  v.bits_ = std::bit_cast<uint32_t>(value);
  return v;
}

Variant Variant::FromDouble(double value) {
  Variant v;
  v.kind_ = VariantKind::kDouble;
  v.bits_ = std::bit_cast<uint64_t>(value);
  return v;
}

Variant Variant::FromCurrency(int64_t scaled) {
  Variant v;
  v.kind_ = VariantKind::kCurrency;
  v.bits_ = static_cast<uint64_t>(scaled);
  return v;
}

Variant Variant::FromDate(double days_since_1899_12_30) {
  Variant v = FromDouble(days_since_1899_12_30);
  v.kind_ = VariantKind::kDate;
  return v;
}

Variant Variant::FromText(std::string text) {
  Variant v;
  v.kind_ = VariantKind::kText;
  v.text_ = std::move(text);
  return v;
}

Variant Variant::FromBoolean(int16_t value) {
  Variant v = FromInt16(value);
  v.kind_ = VariantKind::kBoolean;
  return v;
}

Variant Variant::FromByte(uint8_t value) {
  Variant v;
  v.kind_ = VariantKind::kByte;
  v.bits_ = value;
  return v;
}

int64_t Variant::integer() const {
  switch (kind_) {
    case VariantKind::kInt16:
    case VariantKind::kInt32:
    case VariantKind::kCurrency:
    case VariantKind::kBoolean:
    case VariantKind::kByte:
      return static_cast<int64_t>(bits_);
    default:
      return 0;
  }
}

double Variant::real() const {
  switch (kind_) {
    case VariantKind::kFloat:
      return std::bit_cast<float>(static_cast<uint32_t>(bits_));
    case VariantKind::kDouble:
    case VariantKind::kDate:
      return std::bit_cast<double>(bits_);
    default:
      return 0;
  }
}

std::string Variant::ToText() const {
  switch (kind_) {
    case VariantKind::kEmpty:
    case VariantKind::kNull:
      return "";
    case VariantKind::kInt16:
    case VariantKind::kInt32:
    case VariantKind::kByte:
      return std::to_string(integer());
    case VariantKind::kBoolean:
      return integer() == 0 ? "False" : "True";
    case VariantKind::kFloat:
      return RealText(std::bit_cast<float>(static_cast<uint32_t>(bits_)));
    case VariantKind::kDouble:
      return RealText(real());
    case VariantKind::kCurrency:
      return CurrencyText(integer());
    case VariantKind::kDate:
      return DateText(real());
    case VariantKind::kText:
      return text_;
  }
  return "";
}

void Variant::Encode(ByteWriter& out) const {
  out.Int16(static_cast<int16_t>(kind_));
  switch (kind_) {
    case VariantKind::kEmpty:
    case VariantKind::kNull:
      break;
    case VariantKind::kInt16:
    case VariantKind::kBoolean:
      out.Int16(static_cast<int32_t>(static_cast<int16_t>(bits_)));
      break;
    case VariantKind::kInt32:
    case VariantKind::kFloat:
      out.Int32(static_cast<int64_t>(bits_ & 0xFFFFFFFFu));
      break;
    case VariantKind::kDouble:
    case VariantKind::kCurrency:
    case VariantKind::kDate:
      out.Int64(static_cast<int64_t>(bits_));
      break;
    case VariantKind::kText:
      WriteFileText(out, text_);
      break;
    case VariantKind::kByte:
      out.Byte(static_cast<uint8_t>(bits_));
      break;
  }
}

Variant Variant::Decode(ByteReader& in) {
  int16_t code = in.Int16();
  switch (static_cast<VariantKind>(code)) {
    case VariantKind::kEmpty:
      return Variant();
    case VariantKind::kNull:
      return Null();
    case VariantKind::kInt16:
      return FromInt16(in.Int16());
    case VariantKind::kInt32:
      return FromInt32(in.Int32());
    case VariantKind::kFloat:
      return FromBits(VariantKind::kFloat, static_cast<uint32_t>(in.Int32()));
    case VariantKind::kDouble:
      return FromBits(VariantKind::kDouble, static_cast<uint64_t>(in.Int64()));
    case VariantKind::kCurrency:
      return FromCurrency(in.Int64());
    case VariantKind::kDate:
      return FromBits(VariantKind::kDate, static_cast<uint64_t>(in.Int64()));
    case VariantKind::kText:
      return FromText(in.Text());
    case VariantKind::kBoolean:
      return FromBoolean(in.Int16());
    case VariantKind::kByte:
      return FromByte(in.Byte());
  }
  throw InvalidArgumentError("unknown value kind " + std::to_string(code));
}

}  // namespace orlund
