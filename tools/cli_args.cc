#include "tools/cli_args.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "tools/cli_error.h"

namespace orlund {
namespace {

// How often a subcommand's option may be given.
enum Occurs { kAtMostOnce, kExactlyOnce, kOnceOrMore };
// What a subcommand's option takes, checked while parsing, before any connection.
enum ValueKind { kText, kInt16, kMonth };

struct OptionDef {
  std::string_view names;  // CLI11's names, the long one first: "--output,-o"
  std::string_view value;  // the value's placeholder in the help
  Occurs occurs;
  ValueKind kind;
  std::string_view help;
};

struct CommandDef {
  std::string_view name;
  std::vector<std::string_view> arguments;  // positional, all required, in order
  std::string_view summary;                 // one line, in the tool's list
  std::string_view details;
  std::vector<OptionDef> options = {};
  // It sends a request the server does not answer and confirms it with
  // request 4; its help says so.
  bool confirmed = false;
};

const std::vector<CommandDef>& Commands() {
  static const std::vector<CommandDef> commands = {
      {"info",
       {},
       "show the protocol version, project path, user level and INI sections",
       "Prints what the server sent when the connection started: the protocol\n"
       "version, the project directory, the user level (after --password, the\n"
       "level the login gave) and every INI section with its lines.\n"},
      {"receiver-types",
       {},
       "list the receiver types (request 4)",
       "Lists every receiver type: number, name, algorithm, message length and files.\n"
       "With --json: number, name, algorithm, message_length, ini_file, rcv_file,\n"
       "receiver_setup_template, receiver_type_setup_template, spare_text_a,\n"
       "spare_text_b.\n"},
      {"receivers",
       {},
       "list the receivers (request 5)",
       "Lists every receiver with its type number, flag, word, text and the four settings.\n"
       "With --json: name, type, flag, word, text, settings (a list of 4 texts).\n"},
      {"profiles",
       {},
       "list the profiles with their weekly schedules (request 8)",
       "Lists every profile with its number and its schedule, one line per day\n"
       "type, e.g. \"Mon 07:00-16:00\". Special day types are shown by the names\n"
       "the server gives them (request 160). With --json, every profile in the\n"
       "form export-profile writes.\n"},
      {"day-types",
       {},
       "list the names of the 23 day types (request 160)",
       "Lists day types 0 to 22: 0 to 6 are Monday to Sunday, 7 to 22 the sixteen\n"
       "special day types.\n"},
      {"holidays",
       {},
       "list the holiday labels of the server's language (request 140)",
       "Lists the holiday labels: date, label, day type and whether the calendar\n"
       "shows it; none when the server has no holiday file for its language.\n"
       "With --json: date, day_index, day_type, day_type_name, view_in_calendar\n"
       "(-1 shown, 0 hidden), label.\n"},
      {"calendar",
       {},
       "list the days of the global calendar (request 180)",
       "Prints one line per assigned day: the date and the day type's name, in\n"
       "the form set-calendar reads (\"2026-12-25 Public holiday\").\n"},
      {"render-schedule",
       {"PROFILE"},
       "draw a profile's weekly schedule as an SVG picture",
       "Draws the schedule of the profile PROFILE (letter case ignored) the way the\n"
       "schedule editor shows it: one row per day type in use, its periods as green\n"
       "bars, day type names from the server (request 160). Writes the SVG to stdout\n"
       "or to the file given with -o; rsvg-convert turns it into a PNG.\n",
       {{"--output,-o", "FILE", kAtMostOnce, kText, "write to FILE instead of stdout"}}},
      {"render-calendar",
       {},
       "draw a month of the global calendar as an SVG picture",
       "Draws the month given with --month YYYY-MM (2000-01 to 2039-12; the current\n"
       "month without it) the way the calendar editor shows it: red strips for Sundays and shown "
       "holidays (request\n"
       "140; none when the server has no holiday file), a blue strip for today, a\n"
       "numbered badge for each special day type assigned in the global calendar\n"
       "(request 180). With --profile, every date box also shows the periods of\n"
       "that profile's schedule for the date's day type.\n",
       {{"--month", "YYYY-MM", kAtMostOnce, kMonth, "the month to draw (default: this month)"},
        {"--profile", "NAME", kAtMostOnce, kText, "show this profile's periods in every date box"},
        {"--output,-o", "FILE", kAtMostOnce, kText, "write to FILE instead of stdout"}}},
      {"set-receiver",
       {"NAME"},
       "add a receiver or change one (request 100)",
       "Stores the receiver NAME. For an existing receiver (letter case ignored)\n"
       "the fields not given keep their values; a new receiver needs --type and\n"
       "starts with 0 and empty texts. The server echoes the update to every\n"
       "client; the command waits for its own echo, and fails when none comes\n"
       "(the receiver table is full).\n",
       {{"--type", "N", kAtMostOnce, kInt16, "receiver type number"},
        {"--flag", "N", kAtMostOnce, kInt16, "receiver flag (16-bit)"},
        {"--word", "N", kAtMostOnce, kInt16, "receiver word (16-bit)"},
        {"--text", "T", kAtMostOnce, kText, "receiver text"},
        {"--setting0", "V", kAtMostOnce, kText, "setting 0, as text"},
        {"--setting1", "V", kAtMostOnce, kText, "setting 1, as text"},
        {"--setting2", "V", kAtMostOnce, kText, "setting 2, as text"},
        {"--setting3", "V", kAtMostOnce, kText, "setting 3, as text"}}},
      {"remove-receiver",
       {"NAME"},
       "remove a receiver (request 101)",
       "Removes the receiver NAME (letter case ignored); fails when there is none.\n"
       "The server passes the removal on to the other clients and sends the\n"
       "sender nothing; the command then confirms with request 4, as below.\n",
       {},
       true},
      {"export-profile",
       {"NAME"},
       "write a profile as JSON",
       "Writes the profile NAME (letter case ignored) with all its fields and its\n"
       "schedule as JSON, to stdout or to the file given with -o: name,\n"
       "profile_number, profile_word, words_a, text_a, text_b, text_list, words_b,\n"
       "text_c, words_c0, text_d, text_e, word_d, word_table, and schedule with\n"
       "use_calendar and day_types (day_type, label, active, grouped, axis,\n"
       "periods as [\"HH:MM\", \"HH:MM\"] pairs). The second of the words_c does\n"
       "not travel over the network and is not written.\n",
       {{"--output,-o", "FILE", kAtMostOnce, kText, "write to FILE instead of stdout"}}},
      {"import-profile",
       {"FILE"},
       "add or change a profile from JSON (request 120)",
       "Reads a profile in the form export-profile writes (files written with the\n"
       "older key names, such as ProfileNumber, read the same) and sends it; a profile\n"
       "of that name (letter case ignored) is replaced, otherwise one is added.\n"
       "Fields left out are 0 or empty; a left-out schedule is the empty one.\n"
       "The server does not answer this request; the command then asks for the\n"
       "profiles (request 8), which also confirms that the update was processed,\n"
       "and fails when the profile is not there (the profile table is full).\n"},
      {"remove-profile",
       {"NAME"},
       "remove a profile (request 121)",
       "Removes the profile NAME (letter case ignored); fails when there is none.\n",
       {},
       true},
      {"rename-day-type",
       {"N", "NAME"},
       "rename day type N (request 161)",
       "Gives day type N (0..22) the name NAME. The server writes the names of\n"
       "the special day types 7 to 22 to its INI file; a weekday's new name (0\n"
       "to 6) stays in its memory and day-types keeps showing the old one.\n",
       {},
       true},
      {"set-calendar",
       {"FILE"},
       "replace the global calendar from a file (request 181)",
       "Replaces the whole global calendar. FILE holds one day per line,\n"
       "\"YYYY-MM-DD day-type\", the day type a number 0..22 or a name as\n"
       "day-types lists it (letter case ignored); \"#\" starts a comment. Days\n"
       "not listed lose their assignment; an empty file clears the calendar.\n"
       "Dates run from 2000-01-01 to 2039-12-31. A bad line is reported with\n"
       "its number and nothing is sent. FILE \"-\" reads stdin.\n",
       {},
       true},
      {"send-message",
       {"TEXT"},
       "hand a text message for receivers to the alarm server (request 60)",
       "Sends TEXT to the receivers named with --to. The names and the text must\n"
       "not hold the byte 254, which separates them on the wire.\n",
       {{"--to", "NAME", kOnceOrMore, kText, "a receiver; repeat for more"}},
       true},
      {"last-message",
       {},
       "show the last text message the server stored (61, 62)",
       "Shows the receivers and the text of the last message the server\n"
       "remembered (empty when it stores none).\n"},
      {"command",
       {"TEXT"},
       "hand a command line to the alarm server (request 190)",
       "Queues TEXT unchanged as a command for the alarm server.\n",
       {},
       true},
      {"watch",
       {},
       "print every packet the server pushes until interrupted",
       "Prints each packet the server sends on its own, receiver updates and\n"
       "removals (types 100, 101) decoded, others as hex, keep-alives left out;\n"
       "with --json one object per line. Ctrl-C (SIGINT) or SIGTERM ends it\n"
       "with status 0; a closed connection ends it with status 5.\n"},
  };
  return commands;
}

constexpr std::string_view kToolDescription =
    "Reads and changes the configuration an Orlund ActiveX Server serves:\n"
    "connects, reads the start packets, logs in when --password is given,\n"
    "then runs one subcommand.\n";

constexpr std::string_view kToolFooter =
    "Requests the server does not answer (receiver removal, profile update\n"
    "and removal, day type rename, calendar update, text message, command,\n"
    "area) are followed by one it does answer (type 4; type 8 after a profile\n"
    "update). The server handles a client's requests in order, so a command\n"
    "ends only after the server processed what it sent.\n"
    "\n"
    "The server keeps texts in Windows-1252; they are printed in UTF-8, with\n"
    "--json too. Texts given on the command line or in files are converted\n"
    "from UTF-8 to Windows-1252; a character Windows-1252 cannot hold is\n"
    "refused. With --json, a failure is one JSON line on stderr,\n"
    "{\"error\": ..., \"exit_status\": ...}, and the user level is not printed.\n"
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
    "  9  login failed: the server requires a login and the password gave level 0\n"
    " 10  the user level is below the server's ActiveXMinimumChangeLevel\n"
    "\n"
    "Environment: ORLUND_PASSWORD is the password when neither --password nor\n"
    "--password-file is given; it keeps the password out of ps and the shell\n"
    "history, as the prompt of --password - does.\n"
    "\n"
    "orlund-cli SUBCOMMAND --help describes a subcommand.\n";

constexpr std::string_view kConfirmNote =
    "The server does not answer this request. After sending it, orlund-cli asks\n"
    "for the receiver types (type 4) and waits for that answer: the server\n"
    "handles one client's requests in order, so the answer confirms that the\n"
    "request was processed before the command ends.\n";

// The option group of the global options, the heading of their list.
constexpr char kGlobalGroup[] = "Options (before or after the subcommand)";
// The subcommand that shows the help of another; not in the list.
constexpr char kHelpCommand[] = "help";

const CommandDef* FindCommand(std::string_view name) {
  for (const auto& c : Commands())
    if (c.name == name) return &c;
  return nullptr;
}

[[noreturn]] void Usage(const std::string& what, const std::string& command = "") {
  throw CliError(kExitUsage,
                 what + " (see orlund-cli " + command + (command.empty() ? "" : " ") + "--help)");
}

// A whole decimal number from `low` to `high`.
std::optional<int> Decimal(std::string_view text, int low, int high) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
      value > high)
    return std::nullopt;
  return value;
}

// A number of seconds above 0 and at most a day, in whole milliseconds.
std::optional<std::chrono::milliseconds> Seconds(const std::string& text) {
  char* end = nullptr;
  const double seconds = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(seconds > 0) || seconds > 86400) return std::nullopt;
  return std::chrono::milliseconds(std::max<int64_t>(1, std::llround(seconds * 1000)));
}

// Checks of option values; CLI11 names the option in front of the message.
// Its own number conversion also reads "0x10" and "010" (octal), so a number
// is checked as plain decimal and handed on in that form (a transform, since
// a CLI11 check may not change the value).
CLI::Validator DecimalIn(int low, int high) {
  return CLI::Validator(
      [low, high](std::string& text) -> std::string {
        const auto value = Decimal(text, low, high);
        if (!value)
          return "needs a number from " + std::to_string(low) + " to " + std::to_string(high) +
                 ", not '" + text + "'";
        text = std::to_string(*value);
        return "";
      },
      "");
}

CLI::Validator Check(std::string message, bool (*good)(const std::string&)) {
  return CLI::Validator(
      [message, good](std::string& text) {
        return good(text) ? "" : message + ", not '" + text + "'";
      },
      "");
}

// Lines "  HEAD  help" with the helps in one column.
std::string Columns(const std::vector<std::pair<std::string, std::string>>& rows) {
  size_t width = 0;
  for (const auto& row : rows) width = std::max(width, row.first.size());
  std::string text;
  for (const auto& [head, help] : rows)
    text += "  " + head + std::string(width + 2 - head.size(), ' ') + help + "\n";
  return text;
}

// "--output, -o FILE"; a flag shows no value.
std::string OptionHead(const CLI::Option& option) {
  std::string head;
  for (const auto& name : option.get_lnames()) head += (head.empty() ? "--" : ", --") + name;
  for (const auto& name : option.get_snames()) head += (head.empty() ? "-" : ", -") + name;
  if (option.get_items_expected_max() > 0) head += " " + option.get_type_name();
  return head;
}

// The tool's usage, or a subcommand's with its required options, its
// arguments and its other options in brackets.
std::string UsageLine(const CLI::App& app) {
  const CLI::App* parent = app.get_parent();
  if (parent == nullptr) return app.get_name() + " [OPTIONS] SUBCOMMAND [ARGUMENTS]";
  std::string required, positional, optional;
  for (const CLI::Option* option : app.get_options()) {
    if (option->get_group().empty()) continue;
    if (option->get_positional()) {
      positional += " " + option->get_name();
      continue;
    }
    const std::string shown = "--" + option->get_lnames().front() + " " + option->get_type_name();
    if (!option->get_required()) {
      optional += " [" + shown + "]";
    } else {
      required += " " + shown;
      if (option->get_multi_option_policy() == CLI::MultiOptionPolicy::TakeAll)
        required += " [" + shown + "...]";
    }
  }
  return parent->get_name() + " [OPTIONS] " + app.get_name() + required + positional + optional;
}

// The help of the tool or of one subcommand, laid out from what the CLI11 app
// holds: usage, description, options, subcommands, footer. Options and
// subcommands in the group "" are left out.
std::string FormatHelp(const CLI::App* app, const std::string&, CLI::AppFormatMode) {
  std::string text = "Usage: " + UsageLine(*app) + "\n\n" + app->get_description();
  std::string group;
  std::vector<std::pair<std::string, std::string>> rows;
  for (const CLI::Option* option : app->get_options()) {
    if (option->get_positional() || option->get_group().empty()) continue;
    group = option->get_group();  // an app shows one group of options
    rows.emplace_back(OptionHead(*option), option->get_description());
  }
  if (!rows.empty()) text += "\n" + group + ":\n" + Columns(rows);
  rows.clear();
  for (const CLI::App* sub :
       app->get_subcommands([](const CLI::App* s) { return !s->get_group().empty(); })) {
    const std::string summary = sub->get_description();
    rows.emplace_back(sub->get_name(), summary.substr(0, summary.find('\n')));
  }
  if (!rows.empty()) text += "\nSubcommands:\n" + Columns(rows);
  if (!app->get_footer().empty()) text += "\n" + app->get_footer();
  return text;
}

// The CLI11 app of orlund-cli, storing what it parses into `options`.
std::unique_ptr<CLI::App> BuildApp(CliOptions& options) {
  auto app = std::make_unique<CLI::App>(std::string(kToolDescription), "orlund-cli");
  // Subcommands take the formatter and the option defaults of their parent
  // when they are added, so these come first.
  app->formatter_fn(FormatHelp);
  app->fallthrough();  // a subcommand hands the global options to the app
  app->set_help_flag();
  app->option_defaults()
      ->group(kGlobalGroup)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

  app->add_option("--host", options.host, "server address (default 127.0.0.1)")
      ->type_name("HOST")
      ->check(
          Check("needs a host name or address", [](const std::string& v) { return !v.empty(); }));
  app->add_option("--port", options.port, "server port (default 58658)")
      ->type_name("PORT")
      ->transform(DecimalIn(1, 65535));
  app->add_option_function<std::string>(
         "--timeout", [&options](const std::string& v) { options.timeout = *Seconds(v); },
         "limit for connecting and for each answer (default 5)")
      ->type_name("SECS")
      ->check(Check("needs a number of seconds above 0",
                    [](const std::string& v) { return Seconds(v).has_value(); }));
  app->add_option_function<std::string>(
         "--password", [&options](const std::string& v) { options.password = v; },
         "log in (request 6); \"-\" asks without echo; the level got is printed on stderr")
      ->type_name("PW");
  app->add_option_function<std::string>(
         "--password-file", [&options](const std::string& v) { options.password_file = v; },
         "log in with the first line of FILE")
      ->type_name("FILE");
  app->add_option_function<std::string>(
         "--area", [&options](const std::string& v) { options.area = v; },
         "name the area this client works in (request 9)")
      ->type_name("AREA");
  app->add_flag("--json", options.json, "machine-readable output, texts in UTF-8")
      ->disable_flag_override();
  std::string global_names;
  for (const CLI::Option* option : app->get_options())
    global_names += (global_names.empty() ? "" : ", ") + option->get_name();
  app->set_help_flag("--help,-h", "this help, or a subcommand's help");
  app->set_version_flag("--version", std::string(), "the program version");

  app->option_defaults()->group("Options")->multi_option_policy(CLI::MultiOptionPolicy::Throw);
  const std::string global_note =
      "Global options (" + global_names + "): see\norlund-cli --help.\n";
  for (const CommandDef& command : Commands()) {
    CLI::App* sub =
        app->add_subcommand(std::string(command.name),
                            std::string(command.summary) + "\n\n" + std::string(command.details));
    sub->get_help_ptr()->group("");  // the tool's help lists it
    sub->footer((command.confirmed ? std::string(kConfirmNote) + "\n" : "") + global_note);
    for (const auto argument : command.arguments)
      sub->add_option(std::string(argument))->required();
    for (const OptionDef& def : command.options) {
      CLI::Option* option = sub->add_option(std::string(def.names))
                                ->description(std::string(def.help))
                                ->type_name(std::string(def.value))
                                ->required(def.occurs != kAtMostOnce);
      if (def.occurs == kOnceOrMore) option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
      if (def.kind == kInt16) option->transform(DecimalIn(-32768, 32767));
      if (def.kind == kMonth)
        option->check(Check("needs YYYY-MM between 2000-01 and 2039-12", [](const std::string& v) {
          int year = 0, month = 0;
          char tail = 0;
          return v.size() == 7 && std::sscanf(v.c_str(), "%4d-%2d%c", &year, &month, &tail) == 2 &&
                 year >= 2000 && year <= 2039 && month >= 1 && month <= 12;
        }));
    }
  }
  CLI::App* help = app->add_subcommand(kHelpCommand, "the help of the tool or of SUBCOMMAND");
  help->group("");
  help->add_option("SUBCOMMAND");
  app->footer(std::string(kToolFooter));
  app->require_subcommand(0, 1);
  return app;
}

}  // namespace

std::optional<std::string> CliOptions::Value(const std::string& name) const {
  const auto it = values.find(name);
  if (it == values.end() || it->second.empty()) return std::nullopt;
  return it->second.back();
}

int16_t ParseInt16(std::string_view text, std::string_view what) {
  const auto value = Decimal(text, -32768, 32767);
  if (!value)
    Usage(std::string(what) + " needs a number from -32768 to 32767, not '" + std::string(text) +
          "'");
  return static_cast<int16_t>(*value);
}

CliOptions ParseCliArguments(const std::vector<std::string>& args) {
  // CLI11 takes the arguments in reverse order. It reads "--name=" like
  // "--name" and would take the next argument as the value, so an empty value
  // given that way is handed on as an argument of its own.
  std::vector<std::string> reversed;
  bool options_ended = false;
  for (const std::string& a : args) {
    if (!options_ended && a.size() > 3 && a.starts_with("--") && a.find('=') == a.size() - 1) {
      reversed.push_back(a.substr(0, a.size() - 1));
      reversed.emplace_back();
    } else {
      reversed.push_back(a);
    }
    options_ended = options_ended || a == "--";
  }
  std::reverse(reversed.begin(), reversed.end());

  CliOptions options;
  const auto app = BuildApp(options);
  const auto subcommands = [&] { return app->get_subcommands(); };
  try {
    app->parse(reversed);
  } catch (const CLI::CallForHelp&) {
    options.help = true;
  } catch (const CLI::CallForVersion&) {
    options.version = true;
    return options;
  } catch (const CLI::ParseError& e) {
    Usage(e.what(), subcommands().empty() ? "" : subcommands().front()->get_name());
  }
  if (subcommands().empty()) {
    if (!options.help) Usage("no subcommand given");
    return options;
  }
  const CLI::App& sub = *subcommands().front();
  if (sub.get_name() == kHelpCommand) {
    options.help = true;
    for (const std::string& topic : sub.get_option("SUBCOMMAND")->results()) {
      if (FindCommand(topic) == nullptr) Usage("unknown subcommand '" + topic + "'");
      options.command = topic;
    }
    return options;
  }
  options.command = sub.get_name();
  for (const CLI::Option* option : sub.get_options()) {
    if (option == sub.get_help_ptr() || option->count() == 0) continue;
    if (option->get_positional()) {
      options.arguments.push_back(option->results().front());
    } else {
      options.values[option->get_single_name()] = option->results();
    }
  }
  return options;
}

std::string ToolHelp() {
  CliOptions unused;
  return BuildApp(unused)->help();
}

std::string CommandHelp(std::string_view name) {
  if (FindCommand(name) == nullptr) return ToolHelp();
  CliOptions unused;
  return BuildApp(unused)->get_subcommand(std::string(name))->help();
}

}  // namespace orlund
