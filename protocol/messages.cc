#include "protocol/messages.h"

#include "base/errors.h"

namespace orlund {
namespace {

constexpr char kReceiverEnd = '\xFE';        // ends each receiver name of a type 60 message
constexpr char kReceiverSeparator = '\xFF';  // separates the names of type 61

// A count in front of a list; a negative one is a malformed payload.
int16_t DecodeCount(PayloadReader& in) {
  const int16_t count = in.DecodeInt16();
  if (count < 0) throw DecodeError("negative count " + std::to_string(count));
  return count;
}

// int16 count, then Item(out, element) for each element.
template <typename T, typename Item>
std::string EncodeList(const std::vector<T>& list, Item item) {
  std::string out;
  EncodeInt16(out, static_cast<int32_t>(list.size()));
  for (const T& element : list) item(out, element);
  return out;
}

// int16 count, then that many Item(in). Elements are added as they are read,
// so a count larger than the payload allocates nothing up front.
template <typename T, typename Item>
std::vector<T> DecodeList(std::string_view payload, Item item) {
  PayloadReader in(payload);
  std::vector<T> list;
  for (int16_t n = DecodeCount(in); n > 0; --n) list.push_back(item(in));
  return list;
}

// A payload of one string.
std::string DecodeOnlyString(std::string_view payload) {
  PayloadReader in(payload);
  return in.DecodeString();
}

void EncodeReceiverType(std::string& out, const ReceiverTypeRecord& type) {
  EncodeInt16(out, type.Number);
  EncodeString(out, type.Name);
  EncodeString(out, type.SpareTextA);
  EncodeString(out, type.Algorithm);
  EncodeInt16(out, type.MessageLength);
  EncodeString(out, type.IniFile);
  EncodeString(out, type.RcvFile);
  EncodeString(out, type.ReceiverSetupTemplate);
  EncodeString(out, type.ReceiverTypeSetupTemplate);
  EncodeString(out, type.SpareTextB);
}

ReceiverTypeRecord DecodeReceiverType(PayloadReader& in) {
  ReceiverTypeRecord type;
  type.Number = in.DecodeInt16();
  type.Name = in.DecodeString();
  type.SpareTextA = in.DecodeString();
  type.Algorithm = in.DecodeString();
  type.MessageLength = in.DecodeInt16();
  type.IniFile = in.DecodeString();
  type.RcvFile = in.DecodeString();
  type.ReceiverSetupTemplate = in.DecodeString();
  type.ReceiverTypeSetupTemplate = in.DecodeString();
  type.SpareTextB = in.DecodeString();
  return type;
}

void EncodeReceiver(std::string& out, const ReceiverEntry& receiver) {
  EncodeString(out, receiver.Name);
  EncodeInt16(out, receiver.ReceiverFlag);
  EncodeInt16(out, receiver.ReceiverWord);
  EncodeInt16(out, receiver.ReceiverTypeNumber);
  EncodeString(out, receiver.ReceiverText);
  for (const std::string& setting : receiver.Settings) EncodeString(out, setting);
}

ReceiverEntry DecodeReceiver(PayloadReader& in) {
  ReceiverEntry receiver;
  receiver.Name = in.DecodeString();
  receiver.ReceiverFlag = in.DecodeInt16();
  receiver.ReceiverWord = in.DecodeInt16();
  receiver.ReceiverTypeNumber = in.DecodeInt16();
  receiver.ReceiverText = in.DecodeString();
  for (std::string& setting : receiver.Settings) setting = in.DecodeString();
  return receiver;
}

void EncodeProfile(std::string& out, const ProfileEntry& profile) {
  const ProfileRecord& record = profile.record;
  EncodeInt16(out, record.ProfileNumber);
  EncodeInt16(out, record.ProfileWord);
  EncodeString(out, record.Name);
  for (int16_t word : record.WordsA) EncodeInt16(out, word);
  EncodeString(out, record.TextA);
  EncodeString(out, record.TextB);
  for (const std::string& text : record.TextList) EncodeString(out, text);
  for (int16_t word : record.WordsB) EncodeInt16(out, word);
  EncodeString(out, record.TextC);
  EncodeInt16(out, record.WordsC[0]);
  // The place of WordsC element 1 carries WordsB element 2 once more.
  EncodeInt16(out, record.WordsB[2]);
  EncodeString(out, record.TextD);
  EncodeString(out, record.TextE);
  EncodeInt16(out, record.WordD);
  for (int16_t word : record.WordTable) EncodeInt16(out, word);
  EncodeString(out, profile.period_array);
}

ProfileEntry DecodeProfile(PayloadReader& in) {
  ProfileEntry profile;
  ProfileRecord& record = profile.record;
  record.ProfileNumber = in.DecodeInt16();
  record.ProfileWord = in.DecodeInt16();
  record.Name = in.DecodeString();
  for (int16_t& word : record.WordsA) word = in.DecodeInt16();
  record.TextA = in.DecodeString();
  record.TextB = in.DecodeString();
  for (std::string& text : record.TextList) text = in.DecodeString();
  for (int16_t& word : record.WordsB) word = in.DecodeInt16();
  record.TextC = in.DecodeString();
  record.WordsC[0] = in.DecodeInt16();
  record.WordsB[2] = in.DecodeInt16();
  record.TextD = in.DecodeString();
  record.TextE = in.DecodeString();
  record.WordD = in.DecodeInt16();
  for (int16_t& word : record.WordTable) word = in.DecodeInt16();
  profile.period_array = in.DecodeString();
  return profile;
}

void EncodeHoliday(std::string& out, const HolidayEntry& holiday) {
  EncodeInt32(out, holiday.day_index);
  EncodeInt16(out, holiday.day_type);
  EncodeInt16(out, holiday.view);
  EncodeString(out, holiday.label);
}

HolidayEntry DecodeHoliday(PayloadReader& in) {
  HolidayEntry holiday;
  holiday.day_index = in.DecodeInt32();
  holiday.day_type = in.DecodeInt16();
  holiday.view = in.DecodeInt16();
  holiday.label = in.DecodeString();
  return holiday;
}

// The parts of `text` between the separators: n separators give n + 1 parts.
std::vector<std::string> SplitAt(std::string_view text, char separator) {
  std::vector<std::string> parts;
  for (size_t start = 0;;) {
    const size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

}  // namespace

std::string Encode(const NoFields&) { return {}; }

template <>
NoFields Decode<NoFields>(std::string_view) {
  return {};
}

std::string Encode(const ProtocolVersion& message) { return EncodeInt16(message.version); }

template <>
ProtocolVersion Decode<ProtocolVersion>(std::string_view payload) {
  PayloadReader in(payload);
  return {in.DecodeInt16()};
}

std::string Encode(const ProjectPath& message) { return EncodeString(message.path); }

template <>
ProjectPath Decode<ProjectPath>(std::string_view payload) {
  return {DecodeOnlyString(payload)};
}

std::string Encode(const IniParameters& message) {
  return EncodeList(message.sections, [](std::string& out, const IniSection& section) {
    EncodeString(out, section.name);
    EncodeString(out, section.lines);
  });
}

template <>
IniParameters Decode<IniParameters>(std::string_view payload) {
  return {DecodeList<IniSection>(payload, [](PayloadReader& in) {
    IniSection section;
    section.name = in.DecodeString();
    section.lines = in.DecodeString();
    return section;
  })};
}

std::vector<std::string> SplitIniLines(std::string_view lines) {
  if (lines.empty()) return {};
  std::vector<std::string> list = SplitAt(lines, '\0');
  // The byte 0 after the last line leaves an empty part behind it.
  if (lines.back() == '\0') list.pop_back();
  return list;
}

std::string Encode(const ReceiverTypesAnswer& message) {
  return EncodeList(message.types, EncodeReceiverType);
}

template <>
ReceiverTypesAnswer Decode<ReceiverTypesAnswer>(std::string_view payload) {
  return {DecodeList<ReceiverTypeRecord>(payload, DecodeReceiverType)};
}

std::string Encode(const ReceiverEntry& message) {
  std::string out;
  EncodeReceiver(out, message);
  return out;
}

template <>
ReceiverEntry Decode<ReceiverEntry>(std::string_view payload) {
  PayloadReader in(payload);
  return DecodeReceiver(in);
}

std::string Encode(const ReceiversAnswer& message) {
  return EncodeList(message.receivers, EncodeReceiver);
}

template <>
ReceiversAnswer Decode<ReceiversAnswer>(std::string_view payload) {
  return {DecodeList<ReceiverEntry>(payload, DecodeReceiver)};
}

std::string Encode(const PasswordRequest& message) { return EncodeString(message.password); }

template <>
PasswordRequest Decode<PasswordRequest>(std::string_view payload) {
  return {DecodeOnlyString(payload)};
}

std::string Encode(const UserLevel& message) { return EncodeInt32(message.level); }

template <>
UserLevel Decode<UserLevel>(std::string_view payload) {
  PayloadReader in(payload);
  return {in.DecodeInt32()};
}

std::unique_ptr<cTimeSchedule> ScheduleFromPeriodArray(std::string_view period_array) {
  auto schedule = std::make_unique<cTimeSchedule>();
  try {
    schedule->ExtractPeriodArray(period_array);
  } catch (const InvalidArgumentError& e) {
    throw DecodeError(std::string("period array: ") + e.what());
  }
  return schedule;
}

std::string Encode(const ProfilesAnswer& message) {
  return EncodeList(message.profiles, EncodeProfile);
}

template <>
ProfilesAnswer Decode<ProfilesAnswer>(std::string_view payload) {
  return {DecodeList<ProfileEntry>(payload, DecodeProfile)};
}

std::string Encode(const AreaRequest& message) { return EncodeString(message.area); }

template <>
AreaRequest Decode<AreaRequest>(std::string_view payload) {
  return {DecodeOnlyString(payload)};
}

std::string MessageString(const SubmitMessageRequest& message) {
  std::string text;
  for (const std::string& name : message.receivers) text.append(name).push_back(kReceiverEnd);
  return text + message.text;
}

std::string Encode(const SubmitMessageRequest& message) {
  return EncodeString(MessageString(message));
}

template <>
SubmitMessageRequest Decode<SubmitMessageRequest>(std::string_view payload) {
  std::vector<std::string> parts = SplitAt(DecodeOnlyString(payload), kReceiverEnd);
  SubmitMessageRequest message;
  message.text = std::move(parts.back());
  parts.pop_back();
  message.receivers = std::move(parts);
  return message;
}

std::string JoinLastReceivers(const std::vector<std::string>& receivers) {
  std::string text;
  for (size_t i = 0; i < receivers.size(); ++i) {
    if (i > 0) text.push_back(kReceiverSeparator);
    text += receivers[i];
  }
  return text;
}

std::vector<std::string> SplitLastReceivers(std::string_view text) {
  if (text.empty()) return {};
  return SplitAt(text, kReceiverSeparator);
}

std::string Encode(const LastMessageReceiversAnswer& message) {
  return EncodeString(JoinLastReceivers(message.receivers));
}

template <>
LastMessageReceiversAnswer Decode<LastMessageReceiversAnswer>(std::string_view payload) {
  return {SplitLastReceivers(DecodeOnlyString(payload))};
}

std::string Encode(const LastMessageTextAnswer& message) { return EncodeString(message.text); }

template <>
LastMessageTextAnswer Decode<LastMessageTextAnswer>(std::string_view payload) {
  return {DecodeOnlyString(payload)};
}

std::string Encode(const ReceiverRemove& message) { return EncodeString(message.name); }

template <>
ReceiverRemove Decode<ReceiverRemove>(std::string_view payload) {
  return {DecodeOnlyString(payload)};
}

std::string Encode(const ProfileUpdateRequest& message) {
  std::string out = EncodeString(message.name);
  EncodeProfile(out, message.profile);
  return out;
}

template <>
ProfileUpdateRequest Decode<ProfileUpdateRequest>(std::string_view payload) {
  PayloadReader in(payload);
  ProfileUpdateRequest message;
  message.name = in.DecodeString();
  message.profile = DecodeProfile(in);
  return message;
}

std::string Encode(const ProfileRemoveRequest& message) { return EncodeString(message.name); }

template <>
ProfileRemoveRequest Decode<ProfileRemoveRequest>(std::string_view payload) {
  return {DecodeOnlyString(payload)};
}

std::string Encode(const HolidayLabelsAnswer& message) {
  return EncodeList(message.holidays, EncodeHoliday);
}

template <>
HolidayLabelsAnswer Decode<HolidayLabelsAnswer>(std::string_view payload) {
  return {DecodeList<HolidayEntry>(payload, DecodeHoliday)};
}

std::string Encode(const DayTypeNamesAnswer& message) {
  std::string out;
  for (const std::string& name : message.names) EncodeString(out, name);
  return out;
}

template <>
DayTypeNamesAnswer Decode<DayTypeNamesAnswer>(std::string_view payload) {
  PayloadReader in(payload);
  DayTypeNamesAnswer message;
  for (std::string& name : message.names) name = in.DecodeString();
  return message;
}

std::string Encode(const DayTypeNameUpdateRequest& message) {
  std::string out = EncodeInt16(message.day_type);
  EncodeString(out, message.name);
  return out;
}

template <>
DayTypeNameUpdateRequest Decode<DayTypeNameUpdateRequest>(std::string_view payload) {
  PayloadReader in(payload);
  DayTypeNameUpdateRequest message;
  message.day_type = in.DecodeInt16();
  message.name = in.DecodeString();
  return message;
}

std::string Encode(const CalendarPairs& message) {
  return EncodeList(message.pairs, [](std::string& out, const CalendarPair& pair) {
    EncodeInt16(out, pair.day_index);
    EncodeInt16(out, pair.entry);
  });
}

template <>
CalendarPairs Decode<CalendarPairs>(std::string_view payload) {
  return {DecodeList<CalendarPair>(payload, [](PayloadReader& in) {
    CalendarPair pair;
    pair.day_index = in.DecodeInt16();
    pair.entry = in.DecodeInt16();
    return pair;
  })};
}

std::string Encode(const CommandEntryRequest& message) { return EncodeString(message.command); }

template <>
CommandEntryRequest Decode<CommandEntryRequest>(std::string_view payload) {
  return {DecodeOnlyString(payload)};
}

}  // namespace orlund
