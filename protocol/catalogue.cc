#include "protocol/catalogue.h"

#include <array>
#include <string_view>

namespace orlund {
namespace {

struct MessageType {
  int code;
  std::string_view name;
  bool handled;
};

#define ORLUND_MESSAGE(code, handled) \
  MessageType { code, #code, handled }

constexpr std::array<MessageType, 23> kCatalogue = {
    ORLUND_MESSAGE(NETWORK_COMMON_KEEPALIVE, false),
    ORLUND_MESSAGE(NETWORK_COMMON_PROTOCOLVERSION, false),
    ORLUND_MESSAGE(NETWORK_COMMON_PROJECTPATH, false),
    ORLUND_MESSAGE(NETWORK_COMMON_INIPARAMETERS, false),
    ORLUND_MESSAGE(NETWORK_COMMON_RECEIVERTYPES, true),
    ORLUND_MESSAGE(NETWORK_COMMON_RECEIVERS, true),
    ORLUND_MESSAGE(NETWORK_COMMON_PASSWORD, true),
    ORLUND_MESSAGE(NETWORK_COMMON_USERLEVEL, false),
    ORLUND_MESSAGE(NETWORK_COMMON_PROFILES, true),
    ORLUND_MESSAGE(NETWORK_COMMON_AREA, true),
    ORLUND_MESSAGE(NETWORK_TEXTMESSAGE_SUBMITMESSAGE, true),
    ORLUND_MESSAGE(NETWORK_TEXTMESSAGE_LASTMSGRECEIVERS, true),
    ORLUND_MESSAGE(NETWORK_TEXTMESSAGE_LASTMSGTEXT, true),
    ORLUND_MESSAGE(NETWORK_RECEIVER_UPDATE, true),
    ORLUND_MESSAGE(NETWORK_RECEIVER_REMOVE, true),
    ORLUND_MESSAGE(NETWORK_PROFILE_UPDATE, true),
    ORLUND_MESSAGE(NETWORK_PROFILE_REMOVE, true),
    ORLUND_MESSAGE(NETWORK_HOLIDAYLABELS, true),
    ORLUND_MESSAGE(NETWORK_DAYTYPENAMES, true),
    ORLUND_MESSAGE(NETWORK_DAYTYPENAMES_UPDATE, true),
    ORLUND_MESSAGE(NETWORK_PROFILE_CALENDAR, true),
    ORLUND_MESSAGE(NETWORK_GLOBAL_CALENDAR_UPDATE, true),
    ORLUND_MESSAGE(NETWORK_SUBMIT_COMMANDENTRY, true),
};

#undef ORLUND_MESSAGE

const MessageType* Find(int type) {
  for (const MessageType& entry : kCatalogue) {
    if (entry.code == type) return &entry;
  }
  return nullptr;
}

}  // namespace

std::string MessageName(int type) {
  const MessageType* entry = Find(type);
  if (entry == nullptr) return "UNKNOWN (" + std::to_string(type) + ")";
  return std::string(entry->name);
}

bool IsHandledType(int type) {
  const MessageType* entry = Find(type);
  return entry != nullptr && entry->handled;
}

SendScope ToSendScope(int value) {
  switch (value) {
    case ToAll:
      return ToAll;
    case ToAllOthers:
      return ToAllOthers;
    default:
      return ToClient;
  }
}

}  // namespace orlund
