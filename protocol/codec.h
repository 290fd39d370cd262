#pragma once
// Value encodings inside a packet payload. Integers travel most significant
// byte first; a text is its 16-bit length and its bytes, one byte per
// character. Encoders append to a std::string or return a fresh one; decoders
// read at a read position, advance it, and throw DecodeError instead of
// reading past the end of the payload.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace orlund {

// A payload that does not hold the field a handler asked for. Handlers decode
// a whole request inside one try block before they change any state, so a
// malformed request is dropped whole.
class DecodeError : public std::runtime_error {
 public:
  explicit DecodeError(const std::string& what) : std::runtime_error(what) {}
};

// The longest text EncodeString writes; longer texts are cut to this length
// so that the receiver never sees a negative length.
inline constexpr size_t kMaxEncodedStringLength = 32767;

// One byte: the low 8 bits of value (0..255 by design).
void EncodeByte(std::string& out, int32_t value);

// Two bytes, bits 15..8 then 7..0; higher bits are dropped, so a negative
// value gives its 16-bit two's complement.
void EncodeInt16(std::string& out, int32_t value);
std::string EncodeInt16(int32_t value);

// Four bytes, bits 31..24 first. Only non-negative values are sent this way.
void EncodeInt32(std::string& out, int32_t value);
std::string EncodeInt32(int32_t value);

// EncodeInt16(length) and the text's bytes. A text longer than
// kMaxEncodedStringLength is cut to that length.
void EncodeString(std::string& out, std::string_view text);
std::string EncodeString(std::string_view text);

// Reads a signed 16-bit value at pos and advances pos by 2.
// Throws DecodeError when fewer than 2 bytes remain.
int16_t DecodeInt16(std::string_view payload, size_t& pos);

// Reads a 32-bit value at pos and advances pos by 4. Throws DecodeError when
// fewer than 4 bytes remain or when the first byte is 128 or more (the value
// does not fit a signed 32-bit result).
int32_t DecodeInt32(std::string_view payload, size_t& pos);

// Reads a 16-bit length L and then L bytes; advances pos by 2 + L. Throws
// DecodeError when the length field is missing, when L is 32768 or more, or
// when fewer than L bytes follow: a text cut short by the end of the payload
// is a malformed request, never a shorter text.
std::string DecodeString(std::string_view payload, size_t& pos);

// On DecodeError the free decoders and the reader leave the position where it
// was before the failed call.

// Decodes the fields of one payload in order, from read position 0.
class PayloadReader {
 public:
  explicit PayloadReader(std::string_view payload) : payload_(payload) {}

  int16_t DecodeInt16() { return orlund::DecodeInt16(payload_, pos_); }
  int32_t DecodeInt32() { return orlund::DecodeInt32(payload_, pos_); }
  std::string DecodeString() { return orlund::DecodeString(payload_, pos_); }

  size_t position() const { return pos_; }
  size_t remaining() const { return payload_.size() - pos_; }

 private:
  std::string_view payload_;
  size_t pos_ = 0;
};

}  // namespace orlund
