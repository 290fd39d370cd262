#include "console/http_util.h"

#include <cstdint>

namespace orlund {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// True when no segment of `path` is "." or "..".
bool HasNoDotSegments(std::string_view path) {
  while (!path.empty()) {
    const size_t slash = path.find('/');
    const std::string_view segment = path.substr(0, slash);
    if (segment == "." || segment == "..") return false;
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return true;
}

}  // namespace

std::optional<std::string> PercentDecode(std::string_view text, bool plus_is_blank) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size()) return std::nullopt;
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      out.push_back(static_cast<char>(high * 16 + low));
      i += 2;
    } else if (c == '+' && plus_is_blank) {
      out.push_back(' ');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string PercentEncode(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-' ||
        b == '.' || b == '_' || b == '~') {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 0xF]);
    }
  }
  return out;
}

std::optional<RequestTarget> ParseTarget(std::string_view target) {
  if (target.empty() || target.front() != '/') return std::nullopt;
  const size_t question = target.find('?');
  RequestTarget result;
  if (question != std::string_view::npos) result.query = std::string(target.substr(question + 1));
  auto path = PercentDecode(target.substr(0, question), false);
  if (!path) return std::nullopt;
  for (char c : *path) {
    if (static_cast<unsigned char>(c) < 0x20 || c == '\\') return std::nullopt;
  }
  if (!HasNoDotSegments(std::string_view(*path).substr(1))) return std::nullopt;
  result.path = std::move(*path);
  return result;
}

std::map<std::string, std::string> ParseFormFields(std::string_view text) {
  std::map<std::string, std::string> fields;
  while (!text.empty()) {
    const size_t amp = text.find('&');
    const std::string_view pair = text.substr(0, amp);
    const size_t equals = pair.find('=');
    auto name = PercentDecode(pair.substr(0, equals), true);
    auto value = PercentDecode(
        equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1), true);
    if (name && value && !name->empty()) fields.emplace(std::move(*name), std::move(*value));
    if (amp == std::string_view::npos) break;
    text.remove_prefix(amp + 1);
  }
  return fields;
}

std::optional<std::string> CookieValue(std::string_view cookie_header, std::string_view name) {
  while (!cookie_header.empty()) {
    const size_t semicolon = cookie_header.find(';');
    const std::string_view pair = Trim(cookie_header.substr(0, semicolon));
    const size_t equals = pair.find('=');
    if (equals != std::string_view::npos && Trim(pair.substr(0, equals)) == name) {
      return std::string(Trim(pair.substr(equals + 1)));
    }
    if (semicolon == std::string_view::npos) break;
    cookie_header.remove_prefix(semicolon + 1);
  }
  return std::nullopt;
}

bool ConstantTimeEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  uint8_t difference = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    difference |= static_cast<uint8_t>(a[i] ^ b[i]);
  }
  return difference == 0;
}

}  // namespace orlund
