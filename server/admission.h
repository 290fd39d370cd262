#pragma once
// Which peers may connect: the allow-list of address patterns and the
// pattern matcher it uses.

#include <string_view>

namespace orlund {

// Matches `text` against `pattern`: "*" stands for any run of characters,
// "?" for exactly one, every other character for itself (case-sensitive).
// The pattern is cut into at most 31 tokens, the rest ignored. A star takes
// the text up to the FIRST occurrence of the literal that follows it, with no
// backtracking: "1*5" does not match "10.0.0.55".
bool MatchWildcard(std::string_view text, std::string_view pattern);

// True when `address` matches one of the patterns of `allow_list`, which are
// separated by "," and not trimmed. The scan stops at the first empty field,
// so an empty list, or one starting with ",", allows nobody.
bool IsAddressAllowed(std::string_view address, std::string_view allow_list);

}  // namespace orlund
