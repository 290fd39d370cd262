#include "server/admission.h"

namespace orlund {

namespace {

enum class TokenKind { kLiteral, kAny, kStar };

struct Token {
  TokenKind kind;
  // kLiteral and kStar: the text to find; kAny: a run of "?" (its length counts).
  std::string_view literal;
};

constexpr int kMaxTokens = 31;
constexpr std::string_view kWildcards = "*?";

// Cuts `pattern` into at most kMaxTokens tokens; returns how many.
int Tokenise(std::string_view pattern, Token (&tokens)[kMaxTokens]) {
  int count = 0;
  while (!pattern.empty() && count < kMaxTokens) {
    Token& token = tokens[count++];
    if (pattern.front() == '*') {
      std::string_view rest = pattern.substr(1);
      size_t end = rest.find_first_of(kWildcards);
      if (end == std::string_view::npos) end = rest.size();
      token = {TokenKind::kStar, rest.substr(0, end)};
      pattern = rest.substr(end);
    } else if (pattern.front() == '?') {
      size_t end = pattern.find_first_not_of('?');
      if (end == std::string_view::npos) end = pattern.size();
      token = {TokenKind::kAny, pattern.substr(0, end)};
      pattern = pattern.substr(end);
    } else {
      size_t end = pattern.find_first_of(kWildcards);
      if (end == std::string_view::npos) end = pattern.size();
      token = {TokenKind::kLiteral, pattern.substr(0, end)};
      pattern = pattern.substr(end);
    }
  }
  return count;
}

}  // namespace

bool MatchWildcard(std::string_view text, std::string_view pattern) {
  if (pattern == "*") return true;
  if (text.empty()) return false;

  Token tokens[kMaxTokens];
  int count = Tokenise(pattern, tokens);
  std::string_view rest = text;
  for (int i = 0; i < count; ++i) {
    const Token& token = tokens[i];
    switch (token.kind) {
      case TokenKind::kLiteral:
        if (!rest.starts_with(token.literal)) return false;
        rest.remove_prefix(token.literal.size());
        break;
      case TokenKind::kAny:
        if (rest.size() < token.literal.size()) return false;
        rest.remove_prefix(token.literal.size());
        break;
      case TokenKind::kStar:
        if (token.literal.empty()) {
          // A bare star matches nothing unless it ends the pattern.
          if (i == count - 1) rest = {};
        } else {
          size_t found = rest.find(token.literal);
          if (found == std::string_view::npos) return false;
          rest.remove_prefix(found + token.literal.size());
        }
        break;
    }
  }
  return rest.empty();
}

bool IsAddressAllowed(std::string_view address, std::string_view allow_list) {
  while (true) {
    size_t comma = allow_list.find(',');
    std::string_view pattern = allow_list.substr(0, comma);
    if (pattern.empty()) return false;
    if (MatchWildcard(address, pattern)) return true;
    if (comma == std::string_view::npos) return false;
    allow_list.remove_prefix(comma + 1);
  }
}

}  // namespace orlund
