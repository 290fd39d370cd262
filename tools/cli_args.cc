#include "tools/cli_args.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "tools/cli_error.h"

namespace orlund {
namespace {

struct OptionDef {
  std::string_view name;
  std::string_view value;  // placeholder shown in the help
  bool repeatable;
  bool required;
  std::string_view help;
};

struct CommandDef {
  std::string_view name;
  std::string_view arguments;  // shown after the name in the usage line
  size_t min_arguments;
  size_t max_arguments;
  std::string_view summary;
  std::string_view details;
  std::vector<OptionDef> options;
};

constexpr std::string_view kConfirmNote =
    "The server does not answer this request. After sending it, orlund-cli asks\n"
    "for the receiver types (type 4) and waits for that answer: the server\n"
    "handles one client's requests in order, so the answer confirms that the\n"
    "request was processed before the command ends.\n";

const std::vector<CommandDef>& Commands() {
  static const std::vector<CommandDef> commands = {
      {"info",
       "",
       0,
       0,
       "show the protocol version, project path, user level and INI sections",
       "Prints what the server sent when the connection started: the protocol\n"
       "version, the project directory, the user level (after --password, the\n"
       "level the login gave) and every INI section with its lines.\n",
       {}},
      {"receiver-types",
       "",
       0,
       0,
       "list the receiver types (request 4)",
       "Lists every receiver type: number, name, algorithm, message length and files.\n",
       {}},
      {"receivers",
       "",
       0,
       0,
       "list the receivers (request 5)",
       "Lists every receiver with its type number, flag, word, text and the four settings.\n",
       {}},
      {"profiles",
       "",
       0,
       0,
       "list the profiles with their weekly schedules (request 8)",
       "Lists every profile with its number and its schedule, one line per day\n"
       "type, e.g. \"Mon 07:00-16:00\". Special day types are shown by the names\n"
       "the server gives them (request 160). With --json, every profile in the\n"
       "form export-profile writes.\n",
       {}},
      {"day-types",
       "",
       0,
       0,
       "list the names of the 23 day types (request 160)",
       "Lists day types 0 to 22: 0 to 6 are Monday to Sunday, 7 to 22 the sixteen\n"
       "special day types.\n",
       {}},
      {"holidays",
       "",
       0,
       0,
       "list the holiday labels of the server's language (request 140)",
       "Lists the holiday labels: date, label, day type and whether the calendar\n"
       "shows it. A server without a holiday file does not answer; the command\n"
       "then fails after the time limit.\n",
       {}},
      {"calendar",
       "",
       0,
       0,
       "list the days of the global calendar (request 180)",
       "Prints one line per assigned day: the date and the day type's name, in\n"
       "the form set-calendar reads (\"2026-12-25 Public holiday\").\n",
       {}},
      {"render-schedule",
       "PROFILE",
       1,
       1,
       "draw a profile's weekly schedule as an SVG picture",
       "Draws the schedule of the profile PROFILE (letter case ignored) the way the\n"
       "schedule editor shows it: one row per day type in use, its periods as green\n"
       "bars, day type names from the server (request 160). Writes the SVG to stdout\n"
       "or to the file given with -o; rsvg-convert turns it into a PNG.\n",
       {{"output", "FILE", false, false, "write to FILE instead of stdout (also -o FILE)"}}},
      {"render-calendar",
       "",
       0,
       0,
       "draw a month of the global calendar as an SVG picture",
       "Draws the month given with --month YYYY-MM (2000-01 to 2039-12) the way the\n"
       "calendar editor shows it: red strips for Sundays and shown holidays (request\n"
       "140; none when the server has no holiday file), a blue strip for today, a\n"
       "numbered badge for each special day type assigned in the global calendar\n"
       "(request 180). With --profile, every date box also shows the periods of\n"
       "that profile's schedule for the date's day type.\n",
       {{"month", "YYYY-MM", false, true, "the month to draw"},
        {"profile", "NAME", false, false, "show this profile's periods in every date box"},
        {"output", "FILE", false, false, "write to FILE instead of stdout (also -o FILE)"}}},
      {"set-receiver",
       "NAME",
       1,
       1,
       "add a receiver or change one (request 100)",
       "Stores the receiver NAME. For an existing receiver (letter case ignored)\n"
       "the fields not given keep their values; a new receiver needs --type and\n"
       "starts with 0 and empty texts. The server echoes the update to every\n"
       "client; the command waits for its own echo, and fails when none comes\n"
       "(the receiver table is full).\n",
       {{"type", "N", false, false, "receiver type number"},
        {"flag", "N", false, false, "receiver flag (16-bit)"},
        {"word", "N", false, false, "receiver word (16-bit)"},
        {"text", "T", false, false, "receiver text"},
        {"setting0", "V", false, false, "setting 0, as text"},
        {"setting1", "V", false, false, "setting 1, as text"},
        {"setting2", "V", false, false, "setting 2, as text"},
        {"setting3", "V", false, false, "setting 3, as text"}}},
      {"remove-receiver",
       "NAME",
       1,
       1,
       "remove a receiver (request 101)",
       "Removes the receiver NAME (letter case ignored); fails when there is none.\n"
       "The server passes the removal on to the other clients and sends the\n"
       "sender nothing; the command then confirms with request 4, as below.\n",
       {}},
      {"export-profile",
       "NAME",
       1,
       1,
       "write a profile as JSON",
       "Writes the profile NAME (letter case ignored) with all its fields and its\n"
       "schedule as JSON, to stdout or to the file given with -o. The field\n"
       "WordsC[1] does not travel over the network and is not written.\n",
       {{"output", "FILE", false, false, "write to FILE instead of stdout (also -o FILE)"}}},
      {"import-profile",
       "FILE",
       1,
       1,
       "add or change a profile from JSON (request 120)",
       "Reads a profile in the form export-profile writes and sends it; a profile\n"
       "of that name (letter case ignored) is replaced, otherwise one is added.\n"
       "Fields left out are 0 or empty; a left-out schedule is the empty one.\n"
       "The server does not answer this request; the command then asks for the\n"
       "profiles (request 8), which also confirms that the update was processed,\n"
       "and fails when the profile is not there (the profile table is full).\n",
       {}},
      {"remove-profile",
       "NAME",
       1,
       1,
       "remove a profile (request 121)",
       "Removes the profile NAME (letter case ignored); fails when there is none.\n",
       {}},
      {"rename-day-type",
       "N NAME",
       2,
       2,
       "rename day type N (request 161)",
       "Gives day type N (0..22) the name NAME. The server writes the names of\n"
       "the special day types 7 to 22 to its INI file; a weekday's new name (0\n"
       "to 6) stays in its memory and day-types keeps showing the old one.\n",
       {}},
      {"set-calendar",
       "FILE",
       1,
       1,
       "replace the global calendar from a file (request 181)",
       "Replaces the whole global calendar. FILE holds one day per line,\n"
       "\"YYYY-MM-DD day-type\", the day type a number 0..22 or a name as\n"
       "day-types lists it (letter case ignored); \"#\" starts a comment. Days\n"
       "not listed lose their assignment; an empty file clears the calendar.\n"
       "Dates run from 2000-01-01 to 2039-12-31. A bad line is reported with\n"
       "its number and nothing is sent. FILE \"-\" reads stdin.\n",
       {}},
      {"send-message",
       "--to NAME [--to NAME...] TEXT",
       1,
       1,
       "hand a text message for receivers to the alarm server (request 60)",
       "Sends TEXT to the receivers named with --to. The names and the text must\n"
       "not hold the byte 254, which separates them on the wire.\n",
       {{"to", "NAME", true, true, "a receiver; repeat for more"}}},
      {"last-message",
       "",
       0,
       0,
       "show the last text message the server stored (61, 62)",
       "Shows the receivers and the text of the last message the server\n"
       "remembered (empty when it stores none).\n",
       {}},
      {"command",
       "TEXT",
       1,
       1,
       "hand a command line to the alarm server (request 190)",
       "Queues TEXT unchanged as a command for the alarm server.\n",
       {}},
      {"watch",
       "",
       0,
       0,
       "print every packet the server pushes until interrupted",
       "Prints each packet the server sends on its own, receiver updates and\n"
       "removals (types 100, 101) decoded, others as hex, keep-alives left out;\n"
       "with --json one object per line. Ctrl-C (SIGINT) or SIGTERM ends it\n"
       "with status 0; a closed connection ends it with status 5.\n",
       {}},
  };
  return commands;
}

const CommandDef* FindCommand(std::string_view name) {
  for (const auto& c : Commands())
    if (c.name == name) return &c;
  return nullptr;
}

const OptionDef* FindOption(const CommandDef& command, std::string_view name) {
  for (const auto& o : command.options)
    if (o.name == name) return &o;
  return nullptr;
}

[[noreturn]] void Usage(const std::string& what) {
  throw CliError(kExitUsage, what + " (see orlund-cli --help)");
}

bool LooksLikeNegativeNumber(std::string_view a) {
  return a.size() > 1 && a[0] == '-' &&
         std::all_of(a.begin() + 1, a.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int ParsePort(const std::string& text) {
  int port = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
    Usage("--port needs a number from 1 to 65535, not '" + text + "'");
  return port;
}

std::chrono::milliseconds ParseTimeout(const std::string& text) {
  char* end = nullptr;
  const double seconds = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(seconds > 0) || seconds > 86400)
    Usage("--timeout needs a number of seconds above 0, not '" + text + "'");
  return std::chrono::milliseconds(std::max<int64_t>(1, std::llround(seconds * 1000)));
}

void CheckCommand(const CliOptions& options) {
  const CommandDef* command = FindCommand(options.command);
  for (const auto& [name, given] : options.values) {
    const OptionDef* option = FindOption(*command, name);
    if (option == nullptr) Usage(options.command + " has no option --" + name);
    if (!option->repeatable && given.size() > 1) Usage("--" + name + " is given twice");
  }
  for (const auto& option : command->options)
    if (option.required && !options.values.contains(std::string(option.name)))
      Usage(options.command + " needs --" + std::string(option.name));
  const size_t n = options.arguments.size();
  if (n < command->min_arguments || n > command->max_arguments)
    Usage(options.command + " takes " +
          (command->arguments.empty() ? std::string("no arguments")
                                      : "the arguments " + std::string(command->arguments)) +
          ", not " + std::to_string(n));
}

}  // namespace

std::optional<std::string> CliOptions::Value(const std::string& name) const {
  const auto it = values.find(name);
  if (it == values.end() || it->second.empty()) return std::nullopt;
  return it->second.back();
}

int16_t ParseInt16(std::string_view text, std::string_view what) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < -32768 ||
      value > 32767)
    Usage(std::string(what) + " needs a number from -32768 to 32767, not '" + std::string(text) +
          "'");
  return static_cast<int16_t>(value);
}

CliOptions ParseCliArguments(const std::vector<std::string>& args) {
  CliOptions options;
  bool options_ended = false;
  bool help_command = false;
  const auto take_positional = [&](const std::string& a) {
    if (options.command.empty() && !help_command) {
      if (a == "help") {
        help_command = true;
        options.help = true;
        return;
      }
      if (FindCommand(a) == nullptr) Usage("unknown subcommand '" + a + "'");
      options.command = a;
    } else if (help_command && options.command.empty()) {
      if (FindCommand(a) == nullptr) Usage("unknown subcommand '" + a + "'");
      options.command = a;
    } else {
      options.arguments.push_back(a);
    }
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options_ended || a == "-" || LooksLikeNegativeNumber(a) || a.empty() || a[0] != '-') {
      take_positional(a);
      continue;
    }
    if (a == "--") {
      options_ended = true;
      continue;
    }
    std::string name;
    std::optional<std::string> inline_value;
    if (a == "-h") {
      name = "help";
    } else if (a == "-o") {
      name = "output";
    } else if (a.starts_with("--")) {
      const size_t equals = a.find('=');
      name = a.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
      if (equals != std::string::npos) inline_value = a.substr(equals + 1);
    } else {
      Usage("unknown option '" + a + "'");
    }
    if (name == "help" || name == "json" || name == "version") {
      if (inline_value) Usage("--" + name + " takes no value");
      (name == "help" ? options.help : name == "json" ? options.json : options.version) = true;
      continue;
    }
    std::string value;
    if (inline_value) {
      value = *inline_value;
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      Usage("--" + name + " needs a value");
    }
    if (name == "host") {
      if (value.empty()) Usage("--host needs a host name or address");
      options.host = value;
    } else if (name == "port") {
      options.port = ParsePort(value);
    } else if (name == "timeout") {
      options.timeout = ParseTimeout(value);
    } else if (name == "password") {
      options.password = value;
    } else if (name == "area") {
      options.area = value;
    } else {
      options.values[name].push_back(value);
    }
  }
  if (options.help || options.version) return options;
  if (options.command.empty()) Usage("no subcommand given");
  CheckCommand(options);
  return options;
}

std::string ToolHelp() {
  std::string text =
      "Usage: orlund-cli [OPTIONS] SUBCOMMAND [ARGUMENTS]\n"
      "\n"
      "Reads and changes the configuration an Orlund ActiveX Server serves:\n"
      "connects, reads the start packets, logs in when --password is given,\n"
      "then runs one subcommand.\n"
      "\n"
      "Options (before or after the subcommand):\n"
      "  --host HOST       server address (default 127.0.0.1)\n"
      "  --port PORT       server port (default 58658)\n"
      "  --timeout SECS    limit for connecting and for each answer (default 5)\n"
      "  --password PW     log in (request 6); the level got is printed on stderr\n"
      "  --area AREA       name the area this client works in (request 9)\n"
      "  --json            machine-readable output, texts in UTF-8\n"
      "  --help, -h        this help, or a subcommand's help\n"
      "  --version         the program version\n"
      "\n"
      "Subcommands:\n";
  for (const auto& c : Commands()) {
    std::string name(c.name);
    text += "  " + name + std::string(name.size() < 17 ? 17 - name.size() : 1, ' ') +
            std::string(c.summary) + "\n";
  }
  text +=
      "\n"
      "Requests the server does not answer (receiver removal, profile update\n"
      "and removal, day type rename, calendar update, text message, command,\n"
      "area) are followed by one it does answer (type 4; type 8 after a profile\n"
      "update). The server handles a client's requests in order, so a command\n"
      "ends only after the server processed what it sent.\n"
      "\n"
      "Human-readable texts are printed as the server's Windows-1252 bytes;\n"
      "--json converts them to UTF-8. Texts given on the command line or in\n"
      "files are converted from UTF-8 to Windows-1252.\n"
      "\n"
      "Exit status:\n"
      "  0  success\n"
      "  1  the server did not do what was asked (no such name, table full)\n"
      "  2  bad command line\n"
      "  3  the server cannot be reached\n"
      "  4  the server closed the connection without start packets (not admitted)\n"
      "  5  the server closed the connection\n"
      "  6  no answer from the server within the time limit\n"
      "  7  a packet from the server could not be decoded\n"
      "  8  an input file or text that cannot be used\n"
      "\n"
      "orlund-cli SUBCOMMAND --help describes a subcommand.\n";
  return text;
}

std::string CommandHelp(std::string_view name) {
  const CommandDef* command = FindCommand(name);
  if (command == nullptr) return ToolHelp();
  std::string text = "Usage: orlund-cli [OPTIONS] " + std::string(command->name);
  if (!command->arguments.empty()) text += " " + std::string(command->arguments);
  for (const auto& o : command->options)
    if (!o.required) text += " [--" + std::string(o.name) + " " + std::string(o.value) + "]";
  text += "\n\n" + std::string(command->summary) + "\n\n" + std::string(command->details);
  if (!command->options.empty()) {
    text += "\nOptions:\n";
    for (const auto& o : command->options) {
      std::string head = "--" + std::string(o.name) + " " + std::string(o.value);
      text += "  " + head + std::string(head.size() < 16 ? 16 - head.size() : 1, ' ') +
              std::string(o.help) + "\n";
    }
  }
  static const std::vector<std::string_view> unanswered = {"remove-receiver", "remove-profile",
                                                           "rename-day-type", "set-calendar",
                                                           "send-message",    "command"};
  if (std::find(unanswered.begin(), unanswered.end(), name) != unanswered.end())
    text += "\n" + std::string(kConfirmNote);
  text +=
      "\nGlobal options (--host, --port, --timeout, --password, --area, --json): see\n"
      "orlund-cli --help.\n";
  return text;
}

}  // namespace orlund
