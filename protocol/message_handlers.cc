// Text messages (types 60, 61, 62) and command entries (type 190), queued
// for the alarm server; the last message is remembered in the per-user
// settings store.
#include <algorithm>

#include "protocol/catalogue.h"
#include "protocol/codec.h"
#include "protocol/handlers.h"
#include "protocol/sending.h"
#include "store/settings_store.h"

namespace orlund {
namespace {

constexpr char kReceiverEnd = '\xFE';      // ends each receiver name in a message
constexpr char kStoredSeparator = '\xFF';  // separates the remembered names

void AnswerSetting(ServerState& state, cClientConnection& connection, int type,
                   const char* value_name) {
  SendPacket(
      state, ToClient, connection, type,
      EncodeString(ReadSetting(state.user_settings_root, kUserParametersKey, value_name, "")));
}

}  // namespace

void HandleSubmitMessage(ServerState& state, cClientConnection&, std::string_view payload) {
  PayloadReader reader(payload);
  const std::string message = reader.DecodeString();

  state.alarm.SetCommandEntry("FT:" + message);
  if (!state.settings.StoreActiveXMessagesByServer) return;
  // The text is everything after the last receiver; a message without
  // receivers is not remembered.
  const size_t last = message.rfind(kReceiverEnd);
  if (last == std::string::npos) return;
  std::string receivers = message.substr(0, last);
  std::replace(receivers.begin(), receivers.end(), kReceiverEnd, kStoredSeparator);
  WriteSetting(state.user_settings_root, kUserParametersKey, kLastMessageReceiversValue, receivers);
  WriteSetting(state.user_settings_root, kUserParametersKey, kLastMessageTextValue,
               message.substr(last + 1));
}

void HandleLastMessageReceivers(ServerState& state, cClientConnection& connection,
                                std::string_view) {
  AnswerSetting(state, connection, NETWORK_TEXTMESSAGE_LASTMSGRECEIVERS,
                kLastMessageReceiversValue);
}

void HandleLastMessageText(ServerState& state, cClientConnection& connection, std::string_view) {
  AnswerSetting(state, connection, NETWORK_TEXTMESSAGE_LASTMSGTEXT, kLastMessageTextValue);
}

void HandleSubmitCommandEntry(ServerState& state, cClientConnection&, std::string_view payload) {
  PayloadReader reader(payload);
  state.alarm.SetCommandEntry(reader.DecodeString());
}

}  // namespace orlund
