#pragma once
// Texts travel as Windows-1252 bytes. JSON, web pages and the command line
// of a Linux terminal use UTF-8: these conversions sit at those edges. The
// five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map
// to the control characters of the same code, so every byte string survives
// the round trip.

#include <optional>
#include <string>
#include <string_view>

namespace orlund {

// The Unicode code point of a Windows-1252 byte; an undefined byte gives the
// control character of its own code.
char32_t Cp1252CodePoint(unsigned char byte);

// Appends the UTF-8 form of a code point below U+10000.
void AppendUtf8(std::string& out, char32_t code);

// Every byte becomes its character in UTF-8.
std::string Cp1252ToUtf8(std::string_view bytes);

// The Windows-1252 bytes of a UTF-8 text; nothing when the text is not valid
// UTF-8 or holds a character Windows-1252 cannot write.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

}  // namespace orlund
