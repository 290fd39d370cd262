// Receiver types (type 4) and receivers (types 5, 100, 101). Changes go to
// the table in memory and are written by the timer's next tick; updates and
// removals reach the other clients at once.
#include <array>

#include "base/text_numbers.h"
#include "protocol/catalogue.h"
#include "protocol/codec.h"
#include "protocol/handlers.h"
#include "protocol/sending.h"
#include "protocol/table_slots.h"

namespace orlund {
namespace {

// "<User> '<user>' <action> '<receiver>'"
std::string ReceiverLogLine(const ServerState& state, const cClientConnection& connection,
                            int action_text, const std::string& receiver_name) {
  return state.texts.GetText(kTextUser) + " '" + connection.GetUserName() + "' " +
         state.texts.GetText(action_text) + " '" + receiver_name + "'";
}

}  // namespace

void HandleReceiverTypes(ServerState& state, cClientConnection& connection, std::string_view) {
  const ReceiverTypeTable& table = state.data.receiver_types;
  std::string answer = EncodeInt16(table.ReceiverTypeCount);
  for (int i = 0; i < table.ReceiverTypeCount; ++i) {
    const ReceiverTypeRecord& type = table.ReceiverTypes[i];
    EncodeInt16(answer, type.Number);
    EncodeString(answer, type.Name);
    EncodeString(answer, type.SpareTextA);
    EncodeString(answer, type.Algorithm);
    EncodeInt16(answer, type.MessageLength);
    EncodeString(answer, type.IniFile);
    EncodeString(answer, type.RcvFile);
    EncodeString(answer, type.ReceiverSetupTemplate);
    EncodeString(answer, type.ReceiverTypeSetupTemplate);
    EncodeString(answer, type.SpareTextB);
  }
  SendPacket(state, ToClient, connection, NETWORK_COMMON_RECEIVERTYPES, answer);
}

void HandleReceivers(ServerState& state, cClientConnection& connection, std::string_view) {
  const ReceiverTable& table = state.data.receivers;
  std::string answer = EncodeInt16(table.ReceiverCount);
  for (int i = 0; i < table.ReceiverCount; ++i) {
    const ReceiverRecord& receiver = table.Receivers[i];
    EncodeString(answer, receiver.Name);
    EncodeInt16(answer, receiver.ReceiverFlag);
    EncodeInt16(answer, receiver.ReceiverWord);
    EncodeInt16(answer, receiver.ReceiverTypeNumber);
    EncodeString(answer, receiver.ReceiverText);
    // Empty and null values both travel as an empty text.
    for (const Variant& setting : receiver.Settings) EncodeString(answer, setting.ToText());
  }
  SendPacket(state, ToClient, connection, NETWORK_COMMON_RECEIVERS, answer);
}

void HandleReceiverUpdate(ServerState& state, cClientConnection& connection,
                          std::string_view payload) {
  PayloadReader reader(payload);
  const std::string name = reader.DecodeString();
  const int16_t flag = reader.DecodeInt16();
  const int16_t word = reader.DecodeInt16();
  const int16_t type_number = reader.DecodeInt16();
  std::string text = reader.DecodeString();
  std::array<std::string, 4> settings;
  for (std::string& setting : settings) setting = reader.DecodeString();

  ReceiverTable& table = state.data.receivers;
  int slot = FindSlotByName(table.Receivers, table.ReceiverCount, name);
  if (slot < 0) {
    // A new name when the table is full is dropped: no echo, no change.
    if (table.ReceiverCount >= kReceiverCapacity) return;
    state.log.ServerLog(ReceiverLogLine(state, connection, kTextAddedReceiver, name));
    slot = table.ReceiverCount++;
    // A new receiver starts empty, fields that never travel included.
    table.Receivers[slot] = ReceiverRecord{};
  }
  ReceiverRecord& receiver = table.Receivers[slot];
  receiver.Name = name;
  receiver.ReceiverFlag = flag;
  receiver.ReceiverWord = word;
  receiver.ReceiverTypeNumber = type_number;
  receiver.ReceiverText = std::move(text);
  for (size_t i = 0; i < settings.size(); ++i) {
    receiver.Settings[i] = Variant::FromText(std::move(settings[i]));
  }
  state.ReceiversChanged = true;
  SendPacket(state, ToAll, connection, NETWORK_RECEIVER_UPDATE, payload);
}

void HandleReceiverRemove(ServerState& state, cClientConnection& connection,
                          std::string_view payload) {
  PayloadReader reader(payload);
  const std::string name = reader.DecodeString();

  ReceiverTable& table = state.data.receivers;
  const int slot = FindSlotByName(table.Receivers, table.ReceiverCount, name);
  if (slot >= 0) {
    const std::string stored_name = table.Receivers[slot].Name;
    RemoveSlot(slot, table.ReceiverCount, table.Receivers);
    state.log.ServerLog(ReceiverLogLine(state, connection, kTextRemovedReceiver, stored_name));
  }
  // An absent name still reaches the others: their tables may hold it.
  state.ReceiversChanged = true;
  SendPacket(state, ToAllOthers, connection, NETWORK_RECEIVER_REMOVE, EncodeString(name));
}

}  // namespace orlund
