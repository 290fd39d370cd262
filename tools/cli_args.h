#pragma once
// The command line of orlund-cli: global options (accepted before or after
// the subcommand), one subcommand, its arguments and its own options. One
// table of subcommands builds the CLI11 parser and the help texts. Parsing is
// pure; a bad command line raises CliError with kExitUsage.

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlund {

struct CliOptions {
  std::string host = "127.0.0.1";
  int port = 58658;
  std::chrono::milliseconds timeout{5000};
  // --password PW, or "-" to be asked for it without echo.
  std::optional<std::string> password;
  std::optional<std::string> password_file;
  std::optional<std::string> area;
  bool json = false;
  bool help = false;
  bool version = false;
  std::string command;                 // empty when none was given
  std::vector<std::string> arguments;  // the subcommand's positional arguments
  // The subcommand's options by long name without dashes ("type", "to"),
  // each with its values in command line order.
  std::map<std::string, std::vector<std::string>> values;

  // The single value of an option, if given.
  std::optional<std::string> Value(const std::string& name) const;
};

// Parses the arguments after the program name. "--name value" and
// "--name=value" are both accepted; "--" ends the options. With --help or
// --version the subcommand's arguments are not checked.
CliOptions ParseCliArguments(const std::vector<std::string>& args);

// A signed 16-bit number given for `what`; CliError (kExitUsage) otherwise.
int16_t ParseInt16(std::string_view text, std::string_view what);

// The tool's help: usage, global options, subcommands and exit statuses.
std::string ToolHelp();
// The help of one subcommand (ToolHelp for an unknown name).
std::string CommandHelp(std::string_view command);

}  // namespace orlund
