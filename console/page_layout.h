#pragma once
// The frame every console page shares: the document head, the product name,
// the navigation, who is looking and at which level, and the logout button.

#include <string>
#include <string_view>

#include "console/sessions.h"

namespace orlund {

// The level that may switch the traffic file; any level above 0 may look.
inline constexpr int32_t kFullLevel = 32767;

// A Windows-1252 text as HTML text or attribute value (UTF-8, escaped).
std::string Html(std::string_view text);

// The hidden form field that repeats the session's form token.
std::string FormTokenField(const ConsoleSession& viewer);

// The whole document of a page: `main_html` in the page's <main> element,
// which gets `main_attributes` (for the page script), under the navigation
// with `current_path` marked. Without a viewer (the login page) there is no
// navigation.
std::string PageDocument(std::string_view title, std::string_view current_path,
                         const ConsoleSession* viewer, std::string_view main_html,
                         std::string_view main_attributes = {});

}  // namespace orlund
