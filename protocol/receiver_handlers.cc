// Receiver types (type 4) and receivers (types 5, 100, 101). Changes go to
// the table in memory and are written by the timer's next tick; updates and
// removals reach the other clients at once.
#include "base/empty_slot.h"
#include "base/text_numbers.h"
#include "protocol/audit.h"
#include "protocol/catalogue.h"
#include "protocol/handlers.h"
#include "protocol/messages.h"
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
  SharedPacket kept = state.answers.Find(NETWORK_COMMON_RECEIVERTYPES).answer;
  if (!kept) {
    const ReceiverTypeTable& table = state.data.receiver_types;
    ReceiverTypesAnswer answer;
    answer.types.assign(table.ReceiverTypes.begin(),
                        table.ReceiverTypes.begin() + table.ReceiverTypeCount);
    kept = MakeSharedPacket(EncodePacket(NETWORK_COMMON_RECEIVERTYPES, Encode(answer)));
    state.answers.Keep(NETWORK_COMMON_RECEIVERTYPES, {kept, std::nullopt, {}});
  }
  SendKeptAnswer(state, connection, kept);
}

void HandleReceivers(ServerState& state, cClientConnection& connection, std::string_view) {
  SharedPacket kept = state.answers.Find(NETWORK_COMMON_RECEIVERS).answer;
  if (kept) return SendKeptAnswer(state, connection, kept);
  const ReceiverTable& table = state.data.receivers;
  ReceiversAnswer answer;
  for (int i = 0; i < table.ReceiverCount; ++i) {
    const ReceiverRecord& receiver = table.Receivers[i];
    ReceiverEntry& entry = answer.receivers.emplace_back();
    entry.Name = receiver.Name;
    entry.ReceiverFlag = receiver.ReceiverFlag;
    entry.ReceiverWord = receiver.ReceiverWord;
    entry.ReceiverTypeNumber = receiver.ReceiverTypeNumber;
    entry.ReceiverText = receiver.ReceiverText;
    // Empty and null values both travel as an empty text.
    for (size_t s = 0; s < entry.Settings.size(); ++s) {
      entry.Settings[s] = receiver.Settings[s].ToText();
    }
  }
  kept = MakeSharedPacket(EncodePacket(NETWORK_COMMON_RECEIVERS, Encode(answer)));
  state.answers.Keep(NETWORK_COMMON_RECEIVERS, {kept, std::nullopt, {}});
  SendKeptAnswer(state, connection, kept);
}

void HandleReceiverUpdate(ServerState& state, cClientConnection& connection,
                          std::string_view payload) {
  ReceiverEntry update = Decode<ReceiverEntry>(payload);

  ReceiverTable& table = state.data.receivers;
  int slot = FindSlotByName(table.Receivers, table.ReceiverCount, update.Name);
  const bool added = slot < 0;
  if (added) {
    // A new name when the table is full is dropped: no echo, no change.
    if (table.ReceiverCount >= kReceiverCapacity) return;
    state.log.ServerLog(ReceiverLogLine(state, connection, kTextAddedReceiver, update.Name));
    slot = table.ReceiverCount++;
    // A new receiver starts empty, fields that never travel included.
    EmptySlot(table.Receivers[slot]);
  }
  ReceiverRecord& receiver = table.Receivers[slot];
  receiver.Name = std::move(update.Name);
  receiver.ReceiverFlag = update.ReceiverFlag;
  receiver.ReceiverWord = update.ReceiverWord;
  receiver.ReceiverTypeNumber = update.ReceiverTypeNumber;
  receiver.ReceiverText = std::move(update.ReceiverText);
  for (size_t i = 0; i < update.Settings.size(); ++i) {
    receiver.Settings[i] = Variant::FromText(std::move(update.Settings[i]));
  }
  state.ReceiversChanged = true;
  state.answers.Forget(NETWORK_COMMON_RECEIVERS);
  Audit(state, connection, added ? AuditKind::kReceiverAdded : AuditKind::kReceiverChanged,
        receiver.Name);
  // The others get the request's own bytes, whatever follows its fields.
  SendPacket(state, ToAll, connection, NETWORK_RECEIVER_UPDATE, payload);
}

void HandleReceiverRemove(ServerState& state, cClientConnection& connection,
                          std::string_view payload) {
  const ReceiverRemove request = Decode<ReceiverRemove>(payload);

  ReceiverTable& table = state.data.receivers;
  const int slot = FindSlotByName(table.Receivers, table.ReceiverCount, request.name);
  if (slot >= 0) {
    const std::string stored_name = table.Receivers[slot].Name;
    RemoveSlot(slot, table.ReceiverCount, table.Receivers);
    state.log.ServerLog(ReceiverLogLine(state, connection, kTextRemovedReceiver, stored_name));
    Audit(state, connection, AuditKind::kReceiverRemoved, stored_name);
  }
  // An absent name still reaches the others: their tables may hold it.
  state.ReceiversChanged = true;
  state.answers.Forget(NETWORK_COMMON_RECEIVERS);
  SendPacket(state, ToAllOthers, connection, NETWORK_RECEIVER_REMOVE, Encode(request));
}

}  // namespace orlund
