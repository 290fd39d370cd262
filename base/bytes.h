#pragma once
// Little-endian field encoding of the data files: 16- and 32-bit integers
// least significant byte first, a text as a 16-bit length and its bytes.
// The writer appends to a std::string; the reader reads from the front of a
// view, advances, and throws TruncatedError instead of reading past the end.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "base/errors.h"

namespace orlund {

class ByteWriter {
 public:
  void Int16(int32_t v) {
    out_.push_back(static_cast<char>(v & 0xFF));
    out_.push_back(static_cast<char>((v >> 8) & 0xFF));
  }
  void Int32(int64_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  }
  void Int64(int64_t v) {
    uint64_t u = static_cast<uint64_t>(v);
    for (int i = 0; i < 8; ++i) out_.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
  }
  void Byte(uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void Raw(std::string_view bytes) { out_.append(bytes); }
  // A text as its 16-bit length and its bytes. Texts longer than 65535 bytes
  // do not fit the length field; the caller keeps them shorter.
  void Text(std::string_view text) {
    Int16(static_cast<int32_t>(text.size()));
    out_.append(text);
  }
  const std::string& bytes() const { return out_; }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

class ByteReader {
 public:
  explicit ByteReader(std::string_view data) : data_(data) {}

  int16_t Int16() {
    Need(2);
    uint16_t v = static_cast<uint16_t>(U(0) | (U(1) << 8));
    pos_ += 2;
    return static_cast<int16_t>(v);
  }
  int32_t Int32() {
    Need(4);
    uint32_t v = U(0) | (U(1) << 8) | (U(2) << 16) | (static_cast<uint32_t>(U(3)) << 24);
    pos_ += 4;
    return static_cast<int32_t>(v);
  }
  int64_t Int64() {
    Need(8);
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | U(static_cast<size_t>(i));
    pos_ += 8;
    return static_cast<int64_t>(v);
  }
  uint8_t Byte() {
    Need(1);
    return static_cast<uint8_t>(data_[pos_++]);
  }
  std::string Raw(size_t n) {
    Need(n);
    std::string s(data_.substr(pos_, n));
    pos_ += n;
    return s;
  }
  // A 16-bit length (taken unsigned, 0..65535) and that many bytes.
  std::string Text() {
    size_t n = static_cast<uint16_t>(Int16());
    return Raw(n);
  }

  size_t position() const { return pos_; }
  size_t remaining() const { return data_.size() - pos_; }
  bool AtEnd() const { return pos_ >= data_.size(); }

 private:
  void Need(size_t n) const {
    if (data_.size() - pos_ < n) throw TruncatedError("read past the end of the data");
  }
  uint32_t U(size_t i) const { return static_cast<uint8_t>(data_[pos_ + i]); }

  std::string_view data_;
  size_t pos_ = 0;
};

}  // namespace orlund
