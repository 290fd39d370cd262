#include "tools/cli_commands.h"

#include <ctime>
#include <functional>
#include <map>
#include <set>

#include "base/text_case.h"
#include "base/version.h"
#include "protocol/catalogue.h"
#include "protocol/codec.h"
#include "tools/cli_calendar_file.h"
#include "tools/cli_error.h"
#include "tools/cli_text.h"

namespace orlund {
namespace {

std::string LocalTime() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &parts);
  return text;
}

const std::string& Argument(const CliSession& session, size_t i) {
  return session.options().arguments.at(i);
}

}  // namespace

void ReportError(std::ostream& err, bool json, const std::string& what, int status) {
  if (json) {
    err << Json{{"error", what}, {"exit_status", status}}.dump() << "\n";
  } else {
    err << "orlund-cli: " << what << "\n";
  }
}

void CheckBeforeConnecting(const CliOptions& options) {
  const std::string& command = options.command;
  if (command == "rename-day-type") {
    const int16_t day_type = ParseInt16(options.arguments.at(0), "the day type");
    if (day_type < 0 || day_type >= kDayTypeCount)
      throw CliError(kExitUsage, "the day type must be a number from 0 to 22, not " +
                                     options.arguments.at(0) +
                                     " (see orlund-cli rename-day-type --help)");
  }
  // Every text that travels must fit Windows-1252; file names stay as given.
  const bool argument_is_file = command == "import-profile" || command == "set-calendar";
  for (const auto& argument : options.arguments)
    if (!argument_is_file)
      CheckTextLength(OperatorTextTo1252(argument, "'" + argument + "'"), "'" + argument + "'");
  for (const auto& [name, values] : options.values)
    if (name != "output")
      for (const auto& value : values) OperatorTextTo1252(value, "--" + name);
  if (options.area) OperatorTextTo1252(*options.area, "--area");
}

void CheckTextLength(const std::string& text, std::string_view what) {
  if (text.size() > kMaxEncodedStringLength)
    throw CliError(kExitBadInput, std::string(what) + " is longer than " +
                                      std::to_string(kMaxEncodedStringLength) + " bytes");
}

void CommandInfo(CliSession& session) {
  session.Print(FormatSessionStart(session.start()), SessionStartJson(session.start()));
}

void CommandReceiverTypes(CliSession& session) {
  const auto types = session.Fetch<ReceiverTypesAnswer>(NETWORK_COMMON_RECEIVERTYPES).types;
  session.Print(FormatReceiverTypes(types), ReceiverTypesJson(types));
}

void CommandReceivers(CliSession& session) {
  const auto receivers = session.FetchReceivers();
  session.Print(FormatReceivers(receivers), ReceiversJson(receivers));
}

void CommandDayTypes(CliSession& session) {
  const auto names = session.FetchDayTypeNames();
  session.Print(FormatDayTypeNames(names), DayTypeNamesJson(names));
}

void CommandHolidays(CliSession& session) {
  // Request 160 follows 140 at once: the server answers in order, so the
  // names arriving without labels before them mean it has no holiday file.
  CliConnection& connection = session.connection();
  connection.Send(NETWORK_HOLIDAYLABELS, Encode(NoFields{}));
  connection.Send(NETWORK_DAYTYPENAMES, Encode(NoFields{}));
  std::vector<HolidayEntry> holidays;
  for (;;) {
    const CliPacket packet = connection.Read("the holiday labels");
    if (packet.type == NETWORK_HOLIDAYLABELS)
      holidays = session.Decoded(NETWORK_HOLIDAYLABELS, packet.payload, Decode<HolidayLabelsAnswer>)
                     .holidays;
    if (packet.type != NETWORK_DAYTYPENAMES) continue;
    const auto names =
        session.Decoded(NETWORK_DAYTYPENAMES, packet.payload, Decode<DayTypeNamesAnswer>).names;
    session.Print(FormatHolidays(holidays, names), HolidaysJson(holidays, names));
    return;
  }
}

void CommandCalendar(CliSession& session) {
  const auto pairs = session.Fetch<CalendarPairs>(NETWORK_PROFILE_CALENDAR).pairs;
  const auto names = session.FetchDayTypeNames();
  session.Print(FormatCalendar(pairs, names), CalendarJson(pairs, names));
}

void CommandSetReceiver(CliSession& session) {
  const CliOptions& options = session.options();
  const std::string name = OperatorTextTo1252(Argument(session, 0), "the receiver name");
  CheckTextLength(name, "the receiver name");
  ReceiverEntry entry;
  bool exists = false;
  for (const auto& r : session.FetchReceivers()) {
    if (EqualsIgnoreCase1252(r.Name, name)) {
      entry = r;
      exists = true;
      break;
    }
  }
  if (!exists && !options.Value("type"))
    throw CliError(kExitUsage, "'" + Argument(session, 0) +
                                   "' is a new receiver: --type is required (see orlund-cli "
                                   "set-receiver --help)");
  entry.Name = name;
  if (auto v = options.Value("type")) entry.ReceiverTypeNumber = ParseInt16(*v, "--type");
  if (auto v = options.Value("flag")) entry.ReceiverFlag = ParseInt16(*v, "--flag");
  if (auto v = options.Value("word")) entry.ReceiverWord = ParseInt16(*v, "--word");
  if (auto v = options.Value("text")) entry.ReceiverText = OperatorTextTo1252(*v, "--text");
  CheckTextLength(entry.ReceiverText, "--text");
  for (int i = 0; i < 4; ++i) {
    const std::string option = "setting" + std::to_string(i);
    if (auto v = options.Value(option)) entry.Settings[i] = OperatorTextTo1252(*v, "--" + option);
    CheckTextLength(entry.Settings[i], "--" + option);
  }
  // The server echoes a stored update to every client, the sender included,
  // before it answers the request that follows; no echo means not stored.
  const std::string payload = Encode(entry);
  CliConnection& connection = session.connection();
  connection.Send(NETWORK_RECEIVER_UPDATE, payload);
  connection.Send(NETWORK_COMMON_RECEIVERTYPES, Encode(NoFields{}));
  bool echoed = false;
  for (;;) {
    const CliPacket packet = connection.Read("the echo of the receiver update");
    if (packet.type == NETWORK_RECEIVER_UPDATE && packet.payload == payload) echoed = true;
    if (packet.type == NETWORK_COMMON_RECEIVERTYPES) break;
  }
  if (!echoed)
    throw CliError(kExitFailed, "the server did not store receiver '" + Argument(session, 0) +
                                    "' (its receiver table is full)");
  session.Print((exists ? "Changed receiver " : "Added receiver ") + FormatReceiver(entry) + "\n",
                {{"result", exists ? "changed" : "added"}, {"receiver", ReceiverJson(entry)}});
}

void CommandRemoveReceiver(CliSession& session) {
  const std::string name = OperatorTextTo1252(Argument(session, 0), "the receiver name");
  std::optional<std::string> stored;
  for (const auto& r : session.FetchReceivers())
    if (!stored && EqualsIgnoreCase1252(r.Name, name)) stored = r.Name;
  if (!stored) throw CliError(kExitFailed, "no receiver named '" + Argument(session, 0) + "'");
  session.SendConfirmed(NETWORK_RECEIVER_REMOVE, Encode(ReceiverRemove{*stored}));
  session.Print("Removed receiver " + *stored + "\n",
                {{"result", "removed"}, {"name", Cp1252ToUtf8(*stored)}});
}

void CommandRenameDayType(CliSession& session) {
  const int16_t day_type = ParseInt16(Argument(session, 0), "the day type");
  if (day_type < 0 || day_type >= kDayTypeCount)
    throw CliError(kExitUsage,
                   "the day type must be a number from 0 to 22, not " + Argument(session, 0));
  const std::string name = OperatorTextTo1252(Argument(session, 1), "the day type name");
  CheckTextLength(name, "the day type name");
  session.SendConfirmed(NETWORK_DAYTYPENAMES_UPDATE,
                        Encode(DayTypeNameUpdateRequest{day_type, name}));
  std::string text = "Renamed day type " + std::to_string(day_type) + " to " + name + "\n";
  if (day_type < kWeekdayCount)
    text +=
        "(A weekday's name is kept in the server's memory only; day-types still lists "
        "the old one.)\n";
  session.Print(text,
                {{"result", "renamed"}, {"day_type", day_type}, {"name", Cp1252ToUtf8(name)}});
}

void CommandSetCalendar(CliSession& session) {
  const std::string text = ReadInputFile(Argument(session, 0));
  const auto names = session.FetchDayTypeNames();
  std::vector<CalendarPair> pairs;
  try {
    pairs = ParseCalendarFile(text, names);
  } catch (const CliError& e) {
    throw CliError(e.code(), Argument(session, 0) + ": " + e.what());
  }
  session.SendConfirmed(NETWORK_GLOBAL_CALENDAR_UPDATE, Encode(CalendarPairs{pairs}));
  session.Print("Replaced the global calendar: " + std::to_string(pairs.size()) +
                    (pairs.size() == 1 ? " day" : " days") + " assigned\n",
                {{"result", "replaced"}, {"days", pairs.size()}});
}

void CommandSendMessage(CliSession& session) {
  SubmitMessageRequest message;
  for (const auto& to : session.options().values.at("to")) {
    message.receivers.push_back(OperatorTextTo1252(to, "the receiver name"));
    if (message.receivers.back().find('\xFE') != std::string::npos ||
        message.receivers.back().empty())
      throw CliError(kExitBadInput, "receiver name '" + to + "' is empty or holds byte 254");
  }
  message.text = OperatorTextTo1252(Argument(session, 0), "the message text");
  if (message.text.find('\xFE') != std::string::npos)
    throw CliError(kExitBadInput, "the message text holds byte 254, the receiver separator");
  if (MessageString(message).size() > kMaxEncodedStringLength)
    throw CliError(kExitBadInput, "the message with its receivers is longer than " +
                                      std::to_string(kMaxEncodedStringLength) + " bytes");
  session.SendConfirmed(NETWORK_TEXTMESSAGE_SUBMITMESSAGE, Encode(message));
  std::string list;
  Json json_list = Json::array();
  for (const auto& r : message.receivers) {
    list += (list.empty() ? "" : ", ") + r;
    json_list.push_back(Cp1252ToUtf8(r));
  }
  session.Print(
      "Sent the message to " + list + "\n",
      {{"result", "sent"}, {"receivers", json_list}, {"text", Cp1252ToUtf8(message.text)}});
}

void CommandLastMessage(CliSession& session) {
  LastMessage message;
  message.receivers =
      session.Fetch<LastMessageReceiversAnswer>(NETWORK_TEXTMESSAGE_LASTMSGRECEIVERS).receivers;
  message.text = session.Fetch<LastMessageTextAnswer>(NETWORK_TEXTMESSAGE_LASTMSGTEXT).text;
  session.Print(FormatLastMessage(message), LastMessageJson(message));
}

void CommandCommand(CliSession& session) {
  const std::string text = OperatorTextTo1252(Argument(session, 0), "the command");
  CheckTextLength(text, "the command");
  session.SendConfirmed(NETWORK_SUBMIT_COMMANDENTRY, Encode(CommandEntryRequest{text}));
  session.Print("Queued the command " + text + "\n",
                {{"result", "queued"}, {"command", Cp1252ToUtf8(text)}});
}

void CommandWatch(CliSession& session, int interrupt_fd) {
  CliConnection& connection = session.connection();
  connection.EnableKeepAliveProbes();
  session.err() << "Watching " << HostPort(session.options().host, session.options().port)
                << "; Ctrl-C ends\n";
  session.err().flush();
  while (auto packet = connection.ReadUntil(interrupt_fd)) {
    const std::string time = LocalTime();
    if (session.options().json) {
      session.out() << PushedPacketJson(*packet, time).dump() << "\n";
    } else {
      session.out() << Cp1252ToUtf8(FormatPushedPacket(*packet, time)) << "\n";
    }
    session.out().flush();
  }
}

int RunCli(const CliOptions& options, std::ostream& out, std::ostream& err, int interrupt_fd,
           int connected_fd) {
  if (options.version) {
    out << "orlund-cli " << kProductVersion << "\n";
    return kExitOk;
  }
  if (options.help) {
    out << (options.command.empty() ? ToolHelp() : CommandHelp(options.command));
    return kExitOk;
  }
  using Command = std::function<void(CliSession&)>;
  static const std::map<std::string, Command> commands = {
      {"info", CommandInfo},
      {"receiver-types", CommandReceiverTypes},
      {"receivers", CommandReceivers},
      {"profiles", CommandProfiles},
      {"day-types", CommandDayTypes},
      {"holidays", CommandHolidays},
      {"calendar", CommandCalendar},
      {"set-receiver", CommandSetReceiver},
      {"remove-receiver", CommandRemoveReceiver},
      {"export-profile", CommandExportProfile},
      {"import-profile", CommandImportProfile},
      {"remove-profile", CommandRemoveProfile},
      {"render-schedule", CommandRenderSchedule},
      {"render-calendar", CommandRenderCalendar},
      {"rename-day-type", CommandRenameDayType},
      {"set-calendar", CommandSetCalendar},
      {"send-message", CommandSendMessage},
      {"last-message", CommandLastMessage},
      {"command", CommandCommand},
  };
  // Requests that change data or hand something to the alarm server.
  static const std::set<std::string> changing = {
      "set-receiver",    "remove-receiver", "import-profile", "remove-profile",
      "rename-day-type", "set-calendar",    "send-message",   "command"};
  try {
    CheckBeforeConnecting(options);
    const std::optional<std::string> password = ResolvePassword(options);
    CliSession session(options, out, err);
    session.Open(password, connected_fd);
    if (changing.contains(options.command)) session.CheckMayChange();
    if (options.command == "watch") {
      CommandWatch(session, interrupt_fd);
    } else {
      commands.at(options.command)(session);
    }
    return kExitOk;
  } catch (const CliError& e) {
    ReportError(err, options.json, e.what(), e.code());
    return e.code();
  } catch (const std::exception& e) {
    ReportError(err, options.json, e.what(), kExitFailed);
    return kExitFailed;
  }
}

}  // namespace orlund
