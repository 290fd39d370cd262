#pragma once
// Product identity shown in the window caption, the start line and the
// service registration.

namespace orlund {

extern const char kProductName[];     // "Orlund ActiveX Server"
extern const char kProductVersion[];  // "1.00.06"
extern const char kServiceName[];     // "OrlundActiveXServer"

}  // namespace orlund
