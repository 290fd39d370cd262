#pragma once
// The typed value of a receiver's settings: a 16-bit kind code and a value,
// as the receiver files hold it. Values keep their exact bits (reals
// included), so a value read from a file is written back byte for byte.
//
// Text form, the way a client sees a setting:
//   empty, null          ""
//   int16, int32, byte   decimal ("-12")
//   Boolean              "False" for 0, "True" for any other value
//   float, double        the shortest decimal that reads back to the same
//                        value, "." as decimal point, "E" before an exponent
//                        where that form is shorter ("0.1", "1E+20")
//   currency             the value / 10000 in decimal, trailing zeros of the
//                        fraction dropped ("12.5", "-0.0001", "3")
//   date                 days since 30 December 1899: "YYYY-MM-DD" when there
//                        is no time of day, "HH:MM:SS" when the day is
//                        30 December 1899 itself, else "YYYY-MM-DD HH:MM:SS"
//                        (seconds rounded); a value outside the years 100 to
//                        9999 is written like a double
//   text                 the text itself

#include <cstdint>
#include <string>

#include "base/bytes.h"

namespace orlund {

enum class VariantKind : int16_t {
  kEmpty = 0,
  kNull = 1,
  kInt16 = 2,
  kInt32 = 3,
  kFloat = 4,
  kDouble = 5,
  kCurrency = 6,
  kDate = 7,
  kText = 8,
  kBoolean = 11,
  kByte = 17,
};

class Variant {
 public:
  Variant() = default;  // empty

  static Variant Null();
  static Variant FromInt16(int16_t value);
  static Variant FromInt32(int32_t value);
  static Variant FromFloat(float value);
  static Variant FromDouble(double value);
  // `scaled` is the amount times 10000 (four implied decimals).
  static Variant FromCurrency(int64_t scaled);
  static Variant FromDate(double days_since_1899_12_30);
  static Variant FromText(std::string text);
  // -1 true, 0 false; any other 16-bit value is kept as read.
  static Variant FromBoolean(int16_t value);
  static Variant FromByte(uint8_t value);

  VariantKind kind() const { return kind_; }
  // The integer of int16, int32, currency (scaled), Boolean and byte values;
  // 0 for the other kinds.
  int64_t integer() const;
  // The real of float, double and date values; 0 for the other kinds.
  double real() const;
  // The text of a text value; empty for the other kinds.
  const std::string& text() const { return text_; }

  // The text form described above.
  std::string ToText() const;

  // Kind code and value bytes. A text longer than 65535 bytes throws
  // OverflowError (its length does not fit the field).
  void Encode(ByteWriter& out) const;
  // Throws TruncatedError when the bytes end early and InvalidArgumentError
  // for a kind code outside the table.
  static Variant Decode(ByteReader& in);

  friend bool operator==(const Variant& a, const Variant& b) {
    return a.kind_ == b.kind_ && a.bits_ == b.bits_ && a.text_ == b.text_;
  }

 private:
  // Reals are decoded as bit patterns, never through a floating-point value,
  // so that no NaN payload changes on the way.
  static Variant FromBits(VariantKind kind, uint64_t bits);

  VariantKind kind_ = VariantKind::kEmpty;
  // Integers sign-extended; reals as their IEEE bit pattern (float in the
  // low 32 bits).
  uint64_t bits_ = 0;
  std::string text_;
};

}  // namespace orlund
