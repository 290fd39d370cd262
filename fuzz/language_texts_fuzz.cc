// A language file of any bytes: every numbered line is found by its number,
// the first line of a number winning, and a number without a line gives the
// placeholder text.

#include <algorithm>

#include "base/numeric.h"
#include "base/text_utils.h"
#include "fuzz/fuzz_check.h"
#include "store/language_texts.h"

using namespace orlund;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view content = fuzz::Bytes(data, size);
  LanguageTexts texts;
  texts.LoadFromText(content);

  // The first line of each number, read again line by line.
  LineReader lines{std::string(content)};
  std::string line;
  size_t numbered = 0;
  std::vector<int32_t> seen;
  while (lines.Next(line)) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::optional<int32_t> number = TextToInt32(line.substr(0, equals));
    if (!number) continue;
    ++numbered;
    if (std::find(seen.begin(), seen.end(), *number) != seen.end()) continue;
    seen.push_back(*number);
    FUZZ_CHECK(texts.GetText(*number) == line.substr(equals + 1));
  }
  FUZZ_CHECK(texts.Count() == numbered);
  if (std::find(seen.begin(), seen.end(), -7) == seen.end())
    FUZZ_CHECK(texts.GetText(-7) == "Invalid Text (-7)");
  return 0;
}
