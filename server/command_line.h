#pragma once
// The server's command line. Every switch is one whole argument; the letter
// case of a switch is ignored, a value keeps its case:
//   /PATH:value     project directory (value trimmed of blanks, may hold "/")
//   /APPPATH:value  application directory, same rule
//   /U              uninstall the service and end
//   /I              install the service and end
//   /USER:name      with /I: the user the service runs as
//   /GROUP:name     with /I: its group
//   --help, --version
// Anything else is an error. When /U and /I are both given, /U wins.

#include <optional>
#include <string>
#include <vector>

namespace orlund {

struct CommandLine {
  std::optional<std::string> project_directory;      // /PATH:, as given
  std::optional<std::string> application_directory;  // /APPPATH:, as given
  std::optional<std::string> user;                   // /USER:
  std::optional<std::string> group;                  // /GROUP:
  bool uninstall = false;
  bool install = false;
  bool help = false;
  bool version = false;
  // Empty when every argument was understood; otherwise says which was not.
  std::string error;
};

// `arguments` excludes the program name. When a switch is repeated, its
// first value counts.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The --help text for the program `program_name`.
std::string CommandLineUsage(const std::string& program_name);

// `directory` with a "/" appended when it does not already end with one.
std::string WithTrailingSlash(std::string directory);

}  // namespace orlund
