#include "tools/cli_format.h"

#include <algorithm>

#include "protocol/catalogue.h"
#include "protocol/codec.h"
#include "tools/cli_calendar_file.h"
#include "tools/cli_error.h"
#include "tools/cli_text.h"

namespace orlund {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string U(const std::string& text) { return Cp1252ToUtf8(text); }

std::string ViewText(int16_t view) {
  if (view == -1) return "shown";
  if (view == 0) return "hidden";
  return "view " + std::to_string(view);
}

std::string DayTypeName(int day_type, const DayTypeNames& names) {
  return day_type >= 0 && day_type < kDayTypeCount ? names[day_type] : std::string();
}

// The calendar entry as it reads back: the name when FindDayType maps it to
// the same day type, else the number.
std::string EntryText(int16_t entry, const DayTypeNames& names) {
  const int day_type = entry - 1;
  if (day_type < 0 || day_type >= kDayTypeCount) return "?entry" + std::to_string(entry);
  try {
    if (FindDayType(names[day_type], names) == day_type) return names[day_type];
  } catch (const CliError&) {
  }
  return std::to_string(day_type);
}

std::string InlineJson(const Json& json) {
  std::string text;
  if (json.is_array()) {
    for (const auto& e : json) text += (text.empty() ? "" : ", ") + InlineJson(e);
    return "[" + text + "]";
  }
  if (json.is_object()) {
    for (const auto& [key, value] : json.items())
      text += (text.empty() ? "" : ", ") + Json(key).dump() + ": " + InlineJson(value);
    return "{" + text + "}";
  }
  return json.dump();
}

void AppendPrettyJson(const Json& json, size_t indent, std::string& out) {
  constexpr size_t kLineWidth = 140;
  std::string one_line = InlineJson(json);
  const bool plain_list = json.is_array() && std::none_of(json.begin(), json.end(), [](auto& e) {
                            return e.is_structured();
                          });
  if (!json.is_structured() || plain_list || indent + one_line.size() <= kLineWidth) {
    out += one_line;
    return;
  }
  out += json.is_array() ? "[\n" : "{\n";
  bool first = true;
  for (const auto& [key, value] : json.items()) {
    if (!first) out += ",\n";
    first = false;
    out += std::string(indent + 2, ' ');
    if (json.is_object()) out += Json(key).dump() + ": ";
    AppendPrettyJson(value, indent + 2, out);
  }
  out += "\n" + std::string(indent, ' ') + (json.is_array() ? "]" : "}");
}

}  // namespace

std::string PrettyJson(const Json& json) {
  std::string out;
  AppendPrettyJson(json, 0, out);
  return out;
}

std::string HexBytes(const std::string& bytes, size_t limit) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < bytes.size() && i < limit; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  if (bytes.size() > limit) text += "..";
  return text;
}

std::string FormatSessionStart(const SessionStart& start) {
  std::string text = "Protocol version: " + std::to_string(start.protocol_version) +
                     "\nProject path: " + start.project_path +
                     "\nUser level: " + std::to_string(start.user_level) + "\n";
  for (const auto& section : start.sections) {
    text += "\n[" + section.name + "]\n";
    for (const auto& line : SplitIniLines(section.lines)) text += line + "\n";
  }
  return text;
}

Json SessionStartJson(const SessionStart& start) {
  Json sections = Json::array();
  for (const auto& section : start.sections) {
    Json lines = Json::array();
    for (const auto& line : SplitIniLines(section.lines)) lines.push_back(U(line));
    sections.push_back({{"name", U(section.name)}, {"lines", lines}});
  }
  return {{"protocol_version", start.protocol_version},
          {"project_path", U(start.project_path)},
          {"user_level", start.user_level},
          {"ini_sections", sections}};
}

std::string FormatReceiverTypes(const std::vector<ReceiverTypeRecord>& types) {
  std::string text;
  for (const auto& t : types)
    text += std::to_string(t.Number) + " " + t.Name + ": algorithm " + Quoted(t.Algorithm) +
            ", message length " + std::to_string(t.MessageLength) + ", ini file " +
            Quoted(t.IniFile) + ", rcv file " + Quoted(t.RcvFile) + ", receiver setup " +
            Quoted(t.ReceiverSetupTemplate) + ", type setup " +
            Quoted(t.ReceiverTypeSetupTemplate) + "\n";
  if (types.empty()) text = "No receiver types.\n";
  return text;
}

Json ReceiverTypesJson(const std::vector<ReceiverTypeRecord>& types) {
  Json list = Json::array();
  for (const auto& t : types)
    list.push_back({{"number", t.Number},
                    {"name", U(t.Name)},
                    {"algorithm", U(t.Algorithm)},
                    {"message_length", t.MessageLength},
                    {"ini_file", U(t.IniFile)},
                    {"rcv_file", U(t.RcvFile)},
                    {"receiver_setup_template", U(t.ReceiverSetupTemplate)},
                    {"receiver_type_setup_template", U(t.ReceiverTypeSetupTemplate)},
                    {"spare_text_a", U(t.SpareTextA)},
                    {"spare_text_b", U(t.SpareTextB)}});
  return list;
}

std::string FormatReceiver(const ReceiverEntry& r) {
  std::string settings;
  for (const auto& s : r.Settings) settings += (settings.empty() ? "" : ", ") + Quoted(s);
  return r.Name + ": type " + std::to_string(r.ReceiverTypeNumber) + ", flag " +
         std::to_string(r.ReceiverFlag) + ", word " + std::to_string(r.ReceiverWord) + ", text " +
         Quoted(r.ReceiverText) + ", settings [" + settings + "]";
}

std::string FormatReceivers(const std::vector<ReceiverEntry>& receivers) {
  if (receivers.empty()) return "No receivers.\n";
  std::string text;
  for (const auto& r : receivers) text += FormatReceiver(r) + "\n";
  return text;
}

Json ReceiverJson(const ReceiverEntry& r) {
  Json settings = Json::array();
  for (const auto& s : r.Settings) settings.push_back(U(s));
  return {{"name", U(r.Name)},      {"type", r.ReceiverTypeNumber}, {"flag", r.ReceiverFlag},
          {"word", r.ReceiverWord}, {"text", U(r.ReceiverText)},    {"settings", settings}};
}

Json ReceiversJson(const std::vector<ReceiverEntry>& receivers) {
  Json list = Json::array();
  for (const auto& r : receivers) list.push_back(ReceiverJson(r));
  return list;
}

std::string FormatDayTypeNames(const DayTypeNames& names) {
  std::string text;
  for (int d = 0; d < kDayTypeCount; ++d)
    text += (d < 10 ? " " : "") + std::to_string(d) + "  " + names[d] + "\n";
  return text;
}

Json DayTypeNamesJson(const DayTypeNames& names) {
  Json list = Json::array();
  for (int d = 0; d < kDayTypeCount; ++d) list.push_back({{"day_type", d}, {"name", U(names[d])}});
  return list;
}

std::string FormatHolidays(const std::vector<HolidayEntry>& holidays, const DayTypeNames& names) {
  if (holidays.empty()) return "No holiday labels.\n";
  std::string text;
  for (const auto& h : holidays) {
    std::string day_type = "day type " + std::to_string(h.day_type);
    const std::string name = DayTypeName(h.day_type, names);
    if (!name.empty()) day_type += " " + name;
    text += DayIndexToDate(h.day_index) + "  " + h.label + "  (" + day_type + ", " +
            ViewText(h.view) + ")\n";
  }
  return text;
}

Json HolidaysJson(const std::vector<HolidayEntry>& holidays, const DayTypeNames& names) {
  Json list = Json::array();
  for (const auto& h : holidays)
    list.push_back({{"date", DayIndexToDate(h.day_index)},
                    {"day_index", h.day_index},
                    {"day_type", h.day_type},
                    {"day_type_name", U(DayTypeName(h.day_type, names))},
                    {"view_in_calendar", h.view},
                    {"label", U(h.label)}});
  return list;
}

std::string FormatCalendar(const std::vector<CalendarPair>& pairs, const DayTypeNames& names) {
  std::string text;
  for (const auto& p : pairs)
    text += DayIndexToDate(p.day_index) + " " + EntryText(p.entry, names) + "\n";
  return text;
}

Json CalendarJson(const std::vector<CalendarPair>& pairs, const DayTypeNames& names) {
  Json list = Json::array();
  for (const auto& p : pairs)
    list.push_back({{"date", DayIndexToDate(p.day_index)},
                    {"day_index", p.day_index},
                    {"day_type", p.entry - 1},
                    {"day_type_name", U(DayTypeName(p.entry - 1, names))}});
  return list;
}

std::string FormatLastMessage(const LastMessage& message) {
  std::string receivers;
  for (const auto& r : message.receivers) receivers += (receivers.empty() ? "" : ", ") + r;
  return "Receivers: " + receivers + "\nText: " + message.text + "\n";
}

Json LastMessageJson(const LastMessage& message) {
  Json receivers = Json::array();
  for (const auto& r : message.receivers) receivers.push_back(U(r));
  return {{"receivers", receivers}, {"text", U(message.text)}};
}

std::string FormatPushedPacket(const CliPacket& packet, const std::string& time) {
  std::string head = time + " " + std::to_string(packet.type) + " " + MessageName(packet.type);
  try {
    if (packet.type == NETWORK_RECEIVER_UPDATE)
      return head + " " + FormatReceiver(Decode<ReceiverEntry>(packet.payload));
    if (packet.type == NETWORK_RECEIVER_REMOVE)
      return head + " " + Decode<ReceiverRemove>(packet.payload).name;
  } catch (const DecodeError&) {
  }
  return head + " (" + std::to_string(packet.payload.size()) + " bytes) " +
         HexBytes(packet.payload, 64);
}

Json PushedPacketJson(const CliPacket& packet, const std::string& time) {
  Json json = {{"time", time}, {"type", packet.type}, {"message", MessageName(packet.type)}};
  try {
    if (packet.type == NETWORK_RECEIVER_UPDATE) {
      json["receiver"] = ReceiverJson(Decode<ReceiverEntry>(packet.payload));
      return json;
    }
    if (packet.type == NETWORK_RECEIVER_REMOVE) {
      json["receiver_name"] = U(Decode<ReceiverRemove>(packet.payload).name);
      return json;
    }
  } catch (const DecodeError&) {
  }
  json["payload_hex"] = HexBytes(packet.payload, packet.payload.size());
  return json;
}

}  // namespace orlund
