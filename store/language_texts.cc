#include "store/language_texts.h"

#include "base/file_utils.h"
#include "base/numeric.h"
#include "base/text_utils.h"
#include "store/ini_file.h"

namespace orlund {

bool LanguageTexts::LoadLanguageTexts(const std::string& project_dir,
                                      const std::string& application_dir) {
  entries_.clear();
  std::string language = ReadIniValue(project_dir, "General", "Language", "", "Orlund_Server.ini");
  if (language.empty()) return false;
  std::string path = application_dir + "Orlund_Texts." + language;
  if (!FileExists(path)) return false;
  auto content = ReadFileBytes(path);
  if (!content) return false;
  LoadFromText(*content);
  return true;
}

void LanguageTexts::LoadFromText(std::string_view content) {
  entries_.clear();
  LineReader reader{std::string(content)};
  std::string line;
  while (reader.Next(line)) {
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::optional<int32_t> number = TextToInt32(GetField(line, 0, "="));
    if (!number) continue;
    entries_.push_back({*number, line.substr(equals + 1)});
  }
}

std::string LanguageTexts::GetText(int32_t number) const {
  for (const Entry& entry : entries_) {
    if (entry.number == number) return entry.text;
  }
  return "Invalid Text (" + std::to_string(number) + ")";
}

}  // namespace orlund
