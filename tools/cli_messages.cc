#include "tools/cli_messages.h"

#include "protocol/codec.h"

namespace orlund {
namespace {

int16_t DecodeCount(PayloadReader& in) {
  const int16_t count = in.DecodeInt16();
  if (count < 0) throw DecodeError("negative entry count " + std::to_string(count));
  return count;
}

ReceiverEntry ReadReceiver(PayloadReader& in) {
  ReceiverEntry entry;
  entry.Name = in.DecodeString();
  entry.ReceiverFlag = in.DecodeInt16();
  entry.ReceiverWord = in.DecodeInt16();
  entry.ReceiverTypeNumber = in.DecodeInt16();
  entry.ReceiverText = in.DecodeString();
  for (auto& setting : entry.Settings) setting = in.DecodeString();
  return entry;
}

std::vector<std::string> SplitAt(std::string_view text, char separator, bool drop_last_empty) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    if (end == std::string_view::npos) break;
    parts.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (!(drop_last_empty && start == text.size())) parts.emplace_back(text.substr(start));
  return parts;
}

}  // namespace

std::vector<IniSection> DecodeIniSections(std::string_view payload) {
  PayloadReader in(payload);
  std::vector<IniSection> sections(DecodeCount(in));
  for (auto& section : sections) {
    section.name = in.DecodeString();
    section.lines = SplitAt(in.DecodeString(), '\0', true);
  }
  return sections;
}

std::vector<ReceiverTypeEntry> DecodeReceiverTypes(std::string_view payload) {
  PayloadReader in(payload);
  std::vector<ReceiverTypeEntry> types(DecodeCount(in));
  for (auto& t : types) {
    t.Number = in.DecodeInt16();
    t.Name = in.DecodeString();
    t.SpareTextA = in.DecodeString();
    t.Algorithm = in.DecodeString();
    t.MessageLength = in.DecodeInt16();
    t.IniFile = in.DecodeString();
    t.RcvFile = in.DecodeString();
    t.ReceiverSetupTemplate = in.DecodeString();
    t.ReceiverTypeSetupTemplate = in.DecodeString();
    t.SpareTextB = in.DecodeString();
  }
  return types;
}

std::vector<ReceiverEntry> DecodeReceivers(std::string_view payload) {
  PayloadReader in(payload);
  std::vector<ReceiverEntry> receivers;
  for (int16_t n = DecodeCount(in); n > 0; --n) receivers.push_back(ReadReceiver(in));
  return receivers;
}

ReceiverEntry DecodeReceiverEntry(std::string_view payload) {
  PayloadReader in(payload);
  return ReadReceiver(in);
}

std::string EncodeReceiverEntry(const ReceiverEntry& entry) {
  std::string out;
  EncodeString(out, entry.Name);
  EncodeInt16(out, entry.ReceiverFlag);
  EncodeInt16(out, entry.ReceiverWord);
  EncodeInt16(out, entry.ReceiverTypeNumber);
  EncodeString(out, entry.ReceiverText);
  for (const auto& setting : entry.Settings) EncodeString(out, setting);
  return out;
}

std::vector<HolidayEntry> DecodeHolidays(std::string_view payload) {
  PayloadReader in(payload);
  std::vector<HolidayEntry> holidays(DecodeCount(in));
  for (auto& h : holidays) {
    h.day_index = in.DecodeInt32();
    h.day_type = in.DecodeInt16();
    h.view_in_calendar = in.DecodeInt16();
    h.label = in.DecodeString();
  }
  return holidays;
}

DayTypeNames DecodeDayTypeNames(std::string_view payload) {
  PayloadReader in(payload);
  DayTypeNames names;
  for (auto& name : names) name = in.DecodeString();
  return names;
}

std::vector<CalendarPair> DecodeCalendar(std::string_view payload) {
  PayloadReader in(payload);
  std::vector<CalendarPair> pairs(DecodeCount(in));
  for (auto& p : pairs) {
    p.day_index = in.DecodeInt16();
    p.entry = in.DecodeInt16();
  }
  return pairs;
}

std::string EncodeCalendarUpdate(const std::vector<CalendarPair>& pairs) {
  std::string out;
  EncodeInt16(out, static_cast<int32_t>(pairs.size()));
  for (const auto& p : pairs) {
    EncodeInt16(out, p.day_index);
    EncodeInt16(out, p.entry);
  }
  return out;
}

std::string EncodeTextMessage(const std::vector<std::string>& receivers, std::string_view text) {
  std::string message;
  for (const auto& name : receivers) {
    message += name;
    message.push_back('\xFE');
  }
  message += text;
  return EncodeString(message);
}

std::vector<std::string> SplitLastReceivers(std::string_view text) {
  if (text.empty()) return {};
  return SplitAt(text, '\xFF', false);
}

}  // namespace orlund
