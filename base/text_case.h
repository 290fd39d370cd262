#pragma once
// Letter case of the Windows-1252 code page, the code page of every text in
// the protocol and the data files. A fixed table, never the process locale:
// a-z and the accented letters 0xE0-0xFE (except 0xF7) map to their capitals;
// 0x9A, 0x9C, 0x9E and 0xFF map to 0x8A, 0x8C, 0x8E and 0x9F.

#include <string>
#include <string_view>

namespace orlund {

char UpperCase1252(char c);
std::string UpperCase1252(std::string_view text);
// True when both texts are equal once upper-cased, character for character.
bool EqualsIgnoreCase1252(std::string_view a, std::string_view b);
// Compares the upper-cased texts by character code (as unsigned bytes):
// negative, zero or positive.
int CompareIgnoreCase1252(std::string_view a, std::string_view b);

}  // namespace orlund
