#include "server/command_line.h"

#include <string_view>

namespace orlund {

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// True when `argument` starts with `upper_prefix`, ignoring letter case.
bool HasSwitchPrefix(std::string_view argument, std::string_view upper_prefix) {
  if (argument.size() < upper_prefix.size()) return false;
  for (size_t i = 0; i < upper_prefix.size(); ++i) {
    if (AsciiUpper(argument[i]) != upper_prefix[i]) return false;
  }
  return true;
}

bool IsSwitch(std::string_view argument, std::string_view upper_switch) {
  return argument.size() == upper_switch.size() && HasSwitchPrefix(argument, upper_switch);
}

std::string TrimBlanks(std::string_view text) {
  size_t begin = text.find_first_not_of(' ');
  if (begin == std::string_view::npos) return "";
  size_t end = text.find_last_not_of(' ');
  return std::string(text.substr(begin, end - begin + 1));
}

// Takes the value of a "/NAME:value" switch; false (with `error` set) when
// the value is empty, which would otherwise make the directory "/".
bool TakeDirectory(std::string_view argument, std::string_view upper_prefix,
                   std::optional<std::string>& target, std::string& error,
                   std::string_view what = "a directory") {
  std::string value = TrimBlanks(argument.substr(upper_prefix.size()));
  if (value.empty()) {
    error = std::string(upper_prefix) + " needs " + std::string(what);
    return false;
  }
  if (!target) target = std::move(value);
  return true;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine result;
  for (const std::string& argument : arguments) {
    bool ok = true;
    if (HasSwitchPrefix(argument, "/PATH:")) {
      ok = TakeDirectory(argument, "/PATH:", result.project_directory, result.error);
    } else if (HasSwitchPrefix(argument, "/APPPATH:")) {
      ok = TakeDirectory(argument, "/APPPATH:", result.application_directory, result.error);
    } else if (HasSwitchPrefix(argument, "/USER:")) {
      ok = TakeDirectory(argument, "/USER:", result.user, result.error, "a user name");
    } else if (HasSwitchPrefix(argument, "/GROUP:")) {
      ok = TakeDirectory(argument, "/GROUP:", result.group, result.error, "a group name");
    } else if (IsSwitch(argument, "/U")) {
      result.uninstall = true;
    } else if (IsSwitch(argument, "/I")) {
      result.install = true;
    } else if (argument == "--help") {
      result.help = true;
    } else if (argument == "--version") {
      result.version = true;
    } else {
      result.error = "unknown argument \"" + argument + "\"";
      ok = false;
    }
    if (!ok) break;
  }
  return result;
}

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");
  return ParseCommandLine(arguments);
}

std::string CommandLineUsage(const std::string& program_name) {
  return "Usage: " + program_name +
         " [/PATH:directory] [/APPPATH:directory] [/I [/USER:name] [/GROUP:name] | /U]\n"
         "  /PATH:directory     project directory (default: the registry's ProjectPath,\n"
         "                      else the application directory's Project/)\n"
         "  /APPPATH:directory  application directory (default: the executable's own)\n"
         "  /I                  install the systemd service and end: writes its unit,\n"
         "                      which runs this executable on the project directory\n"
         "  /USER:name          with /I: the user the service runs as (default: the\n"
         "                      owner of the project directory)\n"
         "  /GROUP:name         with /I: its group (default: the directory's group)\n"
         "  /U                  uninstall the systemd service and end\n"
         "  --help              show this text\n"
         "  --version           show the version\n"
         "Switches are case-insensitive; each is one whole argument.\n";
}

std::string WithTrailingSlash(std::string directory) {
  if (directory.empty() || directory.back() != '/') directory.push_back('/');
  return directory;
}

}  // namespace orlund
