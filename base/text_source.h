#pragma once
// Numbered language texts, as the server's log lines are built from them.

#include <cstdint>
#include <map>
#include <string>

namespace orlund {

class TextSource {
 public:
  virtual ~TextSource() = default;
  // The text numbered `number`, or "Invalid Text (<number>)" when there is none.
  virtual std::string GetText(int32_t number) const = 0;
};

// A fixed set of texts (tests, tools).
class FixedTexts : public TextSource {
 public:
  FixedTexts() = default;
  explicit FixedTexts(std::map<int32_t, std::string> texts) : texts_(std::move(texts)) {}
  std::string GetText(int32_t number) const override {
    auto it = texts_.find(number);
    if (it != texts_.end()) return it->second;
    return "Invalid Text (" + std::to_string(number) + ")";
  }

 private:
  std::map<int32_t, std::string> texts_;
};

}  // namespace orlund
