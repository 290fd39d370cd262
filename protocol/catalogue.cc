#include "protocol/catalogue.h"

#include <array>

#include "protocol/handlers.h"

namespace orlund {
namespace {

struct MessageType {
  int code;
  std::string_view name;
  RequestHandler handler;  // nullptr: sent by the server only, ignored when received
};

#define ORLUND_MESSAGE(code, handler) \
  MessageType { code, #code, handler }

constexpr std::array kCatalogue = {
    ORLUND_MESSAGE(NETWORK_COMMON_KEEPALIVE, nullptr),
    ORLUND_MESSAGE(NETWORK_COMMON_PROTOCOLVERSION, nullptr),
    ORLUND_MESSAGE(NETWORK_COMMON_PROJECTPATH, nullptr),
    ORLUND_MESSAGE(NETWORK_COMMON_INIPARAMETERS, nullptr),
    ORLUND_MESSAGE(NETWORK_COMMON_RECEIVERTYPES, HandleReceiverTypes),
    ORLUND_MESSAGE(NETWORK_COMMON_RECEIVERS, HandleReceivers),
    ORLUND_MESSAGE(NETWORK_COMMON_PASSWORD, HandlePassword),
    ORLUND_MESSAGE(NETWORK_COMMON_USERLEVEL, nullptr),
    ORLUND_MESSAGE(NETWORK_COMMON_PROFILES, HandleProfiles),
    ORLUND_MESSAGE(NETWORK_COMMON_AREA, HandleArea),
    ORLUND_MESSAGE(NETWORK_TEXTMESSAGE_SUBMITMESSAGE, HandleSubmitMessage),
    ORLUND_MESSAGE(NETWORK_TEXTMESSAGE_LASTMSGRECEIVERS, HandleLastMessageReceivers),
    ORLUND_MESSAGE(NETWORK_TEXTMESSAGE_LASTMSGTEXT, HandleLastMessageText),
    ORLUND_MESSAGE(NETWORK_RECEIVER_UPDATE, HandleReceiverUpdate),
    ORLUND_MESSAGE(NETWORK_RECEIVER_REMOVE, HandleReceiverRemove),
    ORLUND_MESSAGE(NETWORK_PROFILE_UPDATE, HandleProfileUpdate),
    ORLUND_MESSAGE(NETWORK_PROFILE_REMOVE, HandleProfileRemove),
    ORLUND_MESSAGE(NETWORK_HOLIDAYLABELS, HandleHolidayLabels),
    ORLUND_MESSAGE(NETWORK_DAYTYPENAMES, HandleDayTypeNames),
    ORLUND_MESSAGE(NETWORK_DAYTYPENAMES_UPDATE, HandleDayTypeNamesUpdate),
    ORLUND_MESSAGE(NETWORK_PROFILE_CALENDAR, HandleProfileCalendar),
    ORLUND_MESSAGE(NETWORK_GLOBAL_CALENDAR_UPDATE, HandleGlobalCalendarUpdate),
    ORLUND_MESSAGE(NETWORK_SUBMIT_COMMANDENTRY, HandleSubmitCommandEntry),
};

#undef ORLUND_MESSAGE

const MessageType* Find(int type) {
  for (const MessageType& entry : kCatalogue) {
    if (entry.code == type) return &entry;
  }
  return nullptr;
}

}  // namespace

std::string_view CatalogueName(int type) {
  const MessageType* entry = Find(type);
  return entry == nullptr ? std::string_view() : entry->name;
}

std::string MessageName(int type) {
  const MessageType* entry = Find(type);
  if (entry == nullptr) return "UNKNOWN (" + std::to_string(type) + ")";
  return std::string(entry->name);
}

RequestHandler HandlerFor(int type) {
  const MessageType* entry = Find(type);
  return entry == nullptr ? nullptr : entry->handler;
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
