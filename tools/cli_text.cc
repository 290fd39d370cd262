#include "tools/cli_text.h"

#include "tools/cli_error.h"

namespace orlund {

std::string OperatorTextTo1252(std::string_view text, std::string_view what) {
  if (!IsValidUtf8(text)) return std::string(text);
  auto converted = Utf8ToCp1252(text);
  if (!converted)
    throw CliError(kExitBadInput,
                   std::string(what) + " holds a character that Windows-1252 cannot write");
  return *converted;
}

}  // namespace orlund
