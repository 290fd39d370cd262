#include "protocol/dispatcher.h"

#include <exception>

#include "base/text_numbers.h"
#include "protocol/catalogue.h"
#include "protocol/codec.h"
#include "protocol/handlers.h"
#include "protocol/sending.h"

namespace orlund {

RequestHandler HandlerFor(int type) {
  switch (type) {
    case NETWORK_COMMON_RECEIVERTYPES:
      return HandleReceiverTypes;
    case NETWORK_COMMON_RECEIVERS:
      return HandleReceivers;
    case NETWORK_COMMON_PASSWORD:
      return HandlePassword;
    case NETWORK_COMMON_PROFILES:
      return HandleProfiles;
    case NETWORK_COMMON_AREA:
      return HandleArea;
    case NETWORK_TEXTMESSAGE_SUBMITMESSAGE:
      return HandleSubmitMessage;
    case NETWORK_TEXTMESSAGE_LASTMSGRECEIVERS:
      return HandleLastMessageReceivers;
    case NETWORK_TEXTMESSAGE_LASTMSGTEXT:
      return HandleLastMessageText;
    case NETWORK_RECEIVER_UPDATE:
      return HandleReceiverUpdate;
    case NETWORK_RECEIVER_REMOVE:
      return HandleReceiverRemove;
    case NETWORK_PROFILE_UPDATE:
      return HandleProfileUpdate;
    case NETWORK_PROFILE_REMOVE:
      return HandleProfileRemove;
    case NETWORK_HOLIDAYLABELS:
      return HandleHolidayLabels;
    case NETWORK_DAYTYPENAMES:
      return HandleDayTypeNames;
    case NETWORK_DAYTYPENAMES_UPDATE:
      return HandleDayTypeNamesUpdate;
    case NETWORK_PROFILE_CALENDAR:
      return HandleProfileCalendar;
    case NETWORK_GLOBAL_CALENDAR_UPDATE:
      return HandleGlobalCalendarUpdate;
    case NETWORK_SUBMIT_COMMANDENTRY:
      return HandleSubmitCommandEntry;
    default:
      return nullptr;
  }
}

void Dispatch(ServerState& state, cClientConnection& connection, int type,
              std::string_view payload) {
  RequestHandler handler = HandlerFor(type);
  if (handler == nullptr) return;
  ++state.metrics.requests[static_cast<uint8_t>(type)];
  try {
    handler(state, connection, payload);
  } catch (const DecodeError&) {
    // A request that ends before its fields is dropped whole: the handler
    // decodes everything before it changes anything.
  } catch (const std::exception& e) {
    // No error of one client's request may reach the event loop.
    state.List_Packets.Add(PeerText(connection.PeerAddress(), connection.PeerPort()) + " " +
                           MessageName(type) + " dropped: " + e.what());
  }
}

void OnDataArrival(ServerState& state, cClientConnection& connection, std::string_view bytes) {
  connection.m_NetworkLastPacketFromClientTimeStamp = state.clock.steady_now();
  connection.m_ClientBuffer.Feed(bytes);
  Frame frame;
  for (;;) {
    FrameStatus status = connection.m_ClientBuffer.Next(frame);
    if (status == FrameStatus::kNeedMore) return;
    if (status == FrameStatus::kTooLong) {
      if (connection.IsConnected())
        OnSocketError(state, connection, connection.m_ClientBuffer.error());
      return;
    }
    LogPacket(state, connection, DirectionReceived, frame.type, frame.payload);
    if (frame.type >= 4 && frame.type <= 190) {
      Dispatch(state, connection, frame.type, frame.payload);
    }
  }
}

void OnSocketClose(ServerState& state, cClientConnection& connection) {
  state.log.ServerLog(state.texts.GetText(kTextConnectionClosedByClient) + " " +
                      connection.PeerAddress());
  state.List_Packets.Add(SocketClosedLine(state.clock.local_now(), connection.PeerName()));
  connection.objWinSock->Close();
}

void OnSocketError(ServerState& state, cClientConnection& connection,
                   const std::string& description) {
  state.log.ServerLog(state.texts.GetText(kTextSocketError) + " " + connection.PeerAddress() + "(" +
                      description + ")");
  connection.objWinSock->Close();
}

}  // namespace orlund
