#pragma once
// The numbered texts of the configured language, from which the server's log
// and window lines are built. A language file holds lines "number=text"; the
// texts are loaded once at start-up and looked up by number.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_source.h"

namespace orlund {

class LanguageTexts : public TextSource {
 public:
  // Loads application_dir + "Orlund_Texts." + the language, the language
  // being key "Language" of section "General" in project_dir +
  // "Orlund_Server.ini". The texts are emptied first; false (and no texts)
  // when no language is configured or its file is missing or unreadable.
  bool LoadLanguageTexts(const std::string& project_dir, const std::string& application_dir);

  // Replaces the texts with those of a language file's content. Each line
  // holding "=" is one entry: the number is the text before the first "="
  // read as a number and rounded to the nearest integer (0 when it is no
  // number); the text is everything after that "=", unchanged. A line whose
  // number does not fit 32 bits is skipped. Lines without "=" are ignored.
  void LoadFromText(std::string_view content);

  // The text of the first entry with `number`, or "Invalid Text (number)".
  std::string GetText(int32_t number) const override;

  size_t Count() const { return entries_.size(); }

 private:
  struct Entry {
    int32_t number;
    std::string text;
  };
  std::vector<Entry> entries_;
};

}  // namespace orlund
