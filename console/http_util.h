#pragma once
// The small text rules of HTTP requests the console needs: splitting and
// percent-decoding a request target, form and query fields, cookies, and
// which paths are acceptable at all. Pure functions of their input.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace orlund {

// A request target cut at its "?": the percent-decoded path and the raw
// query. Nothing for a target that does not start with "/", holds a bad
// percent escape, or whose path decodes to a byte below 0x20, a "\", or a
// "." or ".." segment: no such path names anything the console serves.
struct RequestTarget {
  std::string path;
  std::string query;
};
std::optional<RequestTarget> ParseTarget(std::string_view target);

// Percent-decodes `text`; "+" becomes a blank when `plus_is_blank` (form
// fields). Nothing for a "%" not followed by two hex digits.
std::optional<std::string> PercentDecode(std::string_view text, bool plus_is_blank);

// Every byte but the unreserved ones (letters, digits, "-", ".", "_", "~")
// as "%XX": a Windows-1252 name as one path segment of a link.
std::string PercentEncode(std::string_view bytes);

// The fields of an application/x-www-form-urlencoded body or a query, decoded;
// a field given twice keeps its first value, a malformed one is skipped.
std::map<std::string, std::string> ParseFormFields(std::string_view text);

// The value of cookie `name` in a Cookie header, or nothing.
std::optional<std::string> CookieValue(std::string_view cookie_header, std::string_view name);

// Compares in time that does not depend on where the texts differ.
bool ConstantTimeEquals(std::string_view a, std::string_view b);

}  // namespace orlund
