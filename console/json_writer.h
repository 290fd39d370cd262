#pragma once
// Builds the JSON documents of the console's /api/ pages. Texts of the server
// are Windows-1252 bytes and leave as UTF-8; control characters are escaped.

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace orlund {

// The JSON string literal of a Windows-1252 text, quotes included.
std::string JsonString(std::string_view text);

// Appends values in document order: a key before each member of an object,
// values one after another in an array. The commas come by themselves.
class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  JsonWriter& Key(std::string_view name);
  JsonWriter& String(std::string_view text);
  JsonWriter& Int(int64_t value);
  JsonWriter& Double(double value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();
  // A member in one call: Key(name) and the value.
  template <typename Value>
  JsonWriter& Member(std::string_view name, const Value& value);

  // The document; the writer is empty afterwards.
  std::string Take();

 private:
  void BeforeValue();
  JsonWriter& Open(char bracket);
  JsonWriter& Close(char bracket);

  std::string out_;
  // Per open container: whether it has a member yet.
  std::vector<bool> has_member_;
  bool after_key_ = false;
};

template <typename Value>
JsonWriter& JsonWriter::Member(std::string_view name, const Value& value) {
  Key(name);
  if constexpr (std::is_same_v<Value, bool>) {
    return Bool(value);
  } else if constexpr (std::is_integral_v<Value>) {
    return Int(static_cast<int64_t>(value));
  } else if constexpr (std::is_floating_point_v<Value>) {
    return Double(static_cast<double>(value));
  } else {
    return String(value);
  }
}

}  // namespace orlund
