#include "protocol/codec.h"

namespace orlund {
namespace {

uint32_t ByteAt(std::string_view payload, size_t i) { return static_cast<uint8_t>(payload[i]); }

// Throws unless n bytes remain after pos (pos itself may lie past the end).
void Need(std::string_view payload, size_t pos, size_t n, const std::string& what) {
  if (pos > payload.size() || payload.size() - pos < n) {
    throw DecodeError(what + " at position " + std::to_string(pos) +
                      " runs past the payload end (" + std::to_string(payload.size()) + " bytes)");
  }
}

}  // namespace

void EncodeByte(std::string& out, int32_t value) { out.push_back(static_cast<char>(value & 0xFF)); }

void EncodeInt16(std::string& out, int32_t value) {
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
  out.push_back(static_cast<char>(value & 0xFF));
}

std::string EncodeInt16(int32_t value) {
  std::string out;
  EncodeInt16(out, value);
  return out;
}

void EncodeInt32(std::string& out, int32_t value) {
  const uint32_t u = static_cast<uint32_t>(value);
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<char>((u >> shift) & 0xFF));
}

std::string EncodeInt32(int32_t value) {
  std::string out;
  EncodeInt32(out, value);
  return out;
}

void EncodeString(std::string& out, std::string_view text) {
  if (text.size() > kMaxEncodedStringLength) text = text.substr(0, kMaxEncodedStringLength);
  EncodeInt16(out, static_cast<int32_t>(text.size()));
  out.append(text);
}

std::string EncodeString(std::string_view text) {
  std::string out;
  EncodeString(out, text);
  return out;
}

int16_t DecodeInt16(std::string_view payload, size_t& pos) {
  Need(payload, pos, 2, "16-bit value");
  const uint32_t v = ByteAt(payload, pos) << 8 | ByteAt(payload, pos + 1);
  pos += 2;
  return static_cast<int16_t>(static_cast<uint16_t>(v));
}

int32_t DecodeInt32(std::string_view payload, size_t& pos) {
  Need(payload, pos, 4, "32-bit value");
  if (ByteAt(payload, pos) >= 128) {
    throw DecodeError("32-bit value at position " + std::to_string(pos) +
                      " does not fit a signed 32-bit integer");
  }
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = v << 8 | ByteAt(payload, pos + i);
  pos += 4;
  return static_cast<int32_t>(v);
}

std::string DecodeString(std::string_view payload, size_t& pos) {
  size_t p = pos;
  const int16_t length = DecodeInt16(payload, p);
  if (length < 0) {
    throw DecodeError("declared string length " + std::to_string(static_cast<uint16_t>(length)) +
                      " at position " + std::to_string(pos) + " is 32768 or more");
  }
  Need(payload, p, static_cast<size_t>(length),
       "string of declared length " + std::to_string(length));
  std::string text(payload.substr(p, static_cast<size_t>(length)));
  pos = p + static_cast<size_t>(length);
  return text;
}

}  // namespace orlund
