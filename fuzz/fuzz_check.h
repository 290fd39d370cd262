#pragma once
// What every fuzz target shares: the input as bytes, and the check of a
// property that must hold for any input. A broken property aborts with its
// text, which libFuzzer reports as a crash and saves the input that broke it.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace orlund::fuzz {

inline std::string_view Bytes(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, what);
  std::abort();
}

// Reads parts off the front of an input: a byte, a 16-bit number (least
// significant byte first), or a text of a given length; past the end it
// gives zeros and shorter texts.
class InputReader {
 public:
  explicit InputReader(std::string_view bytes) : bytes_(bytes) {}
  uint8_t Byte() {
    if (bytes_.empty()) return 0;
    const auto b = static_cast<uint8_t>(bytes_.front());
    bytes_.remove_prefix(1);
    return b;
  }
  uint16_t Word() {
    const uint16_t low = Byte();
    return static_cast<uint16_t>(low | Byte() << 8);
  }
  std::string_view Text(size_t length) {
    const std::string_view text = bytes_.substr(0, length);
    bytes_.remove_prefix(text.size());
    return text;
  }
  std::string_view Rest() { return Text(bytes_.size()); }
  bool empty() const { return bytes_.empty(); }

 private:
  std::string_view bytes_;
};

}  // namespace orlund::fuzz

#define FUZZ_CHECK(condition) \
  ((condition) ? (void)0 : ::orlund::fuzz::Fail(#condition, __FILE__, __LINE__))
