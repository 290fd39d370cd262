#pragma once
// Texts the operator types: the command line and input files of a Linux
// terminal are usually UTF-8, the protocol carries Windows-1252.

#include <string>
#include <string_view>

#include "base/cp1252.h"

namespace orlund {

// A text typed by the operator: valid UTF-8 is converted, anything else is
// taken as Windows-1252 bytes already. Throws CliError (kExitBadInput) for a
// UTF-8 text with a character Windows-1252 cannot write; `what` names the
// text in that message.
std::string OperatorTextTo1252(std::string_view text, std::string_view what);

}  // namespace orlund
