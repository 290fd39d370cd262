#include "console/json_writer.h"

#include <charconv>
#include <cmath>

#include "base/cp1252.h"

namespace orlund {

std::string JsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char c : text) {
    const char32_t code = Cp1252CodePoint(static_cast<unsigned char>(c));
    if (code == '"' || code == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(code));
    } else if (code < 0x20 || (code >= 0x7F && code < 0xA0)) {
      out += "\\u00";
      out.push_back(kHex[code >> 4]);
      out.push_back(kHex[code & 0xF]);
    } else {
      AppendUtf8(out, code);
    }
  }
  out.push_back('"');
  return out;
}

void JsonWriter::BeforeValue() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (!has_member_.empty()) {
    if (has_member_.back()) out_.push_back(',');
    has_member_.back() = true;
  }
}

JsonWriter& JsonWriter::Open(char bracket) {
  BeforeValue();
  out_.push_back(bracket);
  has_member_.push_back(false);
  return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
  out_.push_back(bracket);
  has_member_.pop_back();
  return *this;
}

JsonWriter& JsonWriter::BeginObject() { return Open('{'); }
JsonWriter& JsonWriter::EndObject() { return Close('}'); }
JsonWriter& JsonWriter::BeginArray() { return Open('['); }
JsonWriter& JsonWriter::EndArray() { return Close(']'); }

JsonWriter& JsonWriter::Key(std::string_view name) {
  BeforeValue();
  out_ += JsonString(name);
  out_.push_back(':');
  after_key_ = true;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view text) {
  BeforeValue();
  out_ += JsonString(text);
  return *this;
}

JsonWriter& JsonWriter::Int(int64_t value) {
  BeforeValue();
  out_ += std::to_string(value);
  return *this;
}

JsonWriter& JsonWriter::Double(double value) {
  BeforeValue();
  if (!std::isfinite(value)) {
    out_ += "null";
    return *this;
  }
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out_.append(buffer, result.ptr);
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ += value ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
  return *this;
}

std::string JsonWriter::Take() {
  has_member_.clear();
  after_key_ = false;
  std::string document = std::move(out_);
  out_.clear();
  return document;
}

}  // namespace orlund
