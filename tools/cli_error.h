#pragma once
// The failures of the command-line client and the exit status each gives.
// Every failure carries one line of text for stderr; the status tells a
// script what went wrong without parsing that text.

#include <stdexcept>
#include <string>

namespace orlund {

enum CliExitCode : int {
  kExitOk = 0,
  kExitFailed = 1,       // the server did not do what was asked (name not found, table full)
  kExitUsage = 2,        // bad command line
  kExitUnreachable = 3,  // no TCP connection to the server
  kExitRefused = 4,      // the server closed the connection without start packets
  kExitClosed = 5,       // the server closed the connection later on
  kExitNoAnswer = 6,     // an awaited packet did not arrive in time
  kExitProtocol = 7,     // a packet from the server could not be decoded
  kExitBadInput = 8,     // an input file or text that cannot be used
  kExitLoginFailed = 9,  // the server requires a login and the password gave level 0
  kExitNotAllowed = 10,  // the user level is below the server's level for changes
};
// The highest status the client exits with; follows the last one above.
inline constexpr int kExitHighest = kExitNotAllowed;

class CliError : public std::runtime_error {
 public:
  CliError(CliExitCode code, const std::string& what) : std::runtime_error(what), code_(code) {}
  CliExitCode code() const { return code_; }

 private:
  CliExitCode code_;
};

}  // namespace orlund
