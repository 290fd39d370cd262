#pragma once
// Texts travel as Windows-1252 bytes. JSON needs UTF-8, and the command line
// and input files of a Linux terminal are usually UTF-8: these conversions
// sit at those edges. The five bytes Windows-1252 leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same code,
// so every byte string survives the round trip.

#include <optional>
#include <string>
#include <string_view>

namespace orlund {

// Every byte becomes its character in UTF-8.
std::string Cp1252ToUtf8(std::string_view bytes);

// The Windows-1252 bytes of a UTF-8 text; nothing when the text is not valid
// UTF-8 or holds a character Windows-1252 cannot write.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);

// A text typed by the operator: valid UTF-8 is converted, anything else is
// taken as Windows-1252 bytes already. Throws CliError (kExitBadInput) for a
// UTF-8 text with a character Windows-1252 cannot write; `what` names the
// text in that message.
std::string OperatorTextTo1252(std::string_view text, std::string_view what);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

}  // namespace orlund
