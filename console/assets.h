#pragma once
// The console's style sheet and script, compiled into the server so that the
// console needs nothing from outside.

#include <string_view>

namespace orlund {

extern const std::string_view kConsoleCss;
extern const std::string_view kConsoleJs;

}  // namespace orlund
