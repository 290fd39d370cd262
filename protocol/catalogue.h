#pragma once
// The message types of the client protocol: their codes, their names as the
// packet list and the traffic log print them, the handler that serves each
// as a request, and the scopes a packet is sent in. One table in
// catalogue.cc holds code, name and handler of every type.

#include <cstdint>
#include <string>
#include <string_view>

namespace orlund {

struct ServerState;
class cClientConnection;

inline constexpr int NETWORK_COMMON_KEEPALIVE = 0;
inline constexpr int NETWORK_COMMON_PROTOCOLVERSION = 1;
inline constexpr int NETWORK_COMMON_PROJECTPATH = 2;
inline constexpr int NETWORK_COMMON_INIPARAMETERS = 3;
inline constexpr int NETWORK_COMMON_RECEIVERTYPES = 4;
inline constexpr int NETWORK_COMMON_RECEIVERS = 5;
inline constexpr int NETWORK_COMMON_PASSWORD = 6;
inline constexpr int NETWORK_COMMON_USERLEVEL = 7;
inline constexpr int NETWORK_COMMON_PROFILES = 8;
inline constexpr int NETWORK_COMMON_AREA = 9;
inline constexpr int NETWORK_TEXTMESSAGE_SUBMITMESSAGE = 60;
inline constexpr int NETWORK_TEXTMESSAGE_LASTMSGRECEIVERS = 61;
inline constexpr int NETWORK_TEXTMESSAGE_LASTMSGTEXT = 62;
inline constexpr int NETWORK_RECEIVER_UPDATE = 100;
inline constexpr int NETWORK_RECEIVER_REMOVE = 101;
inline constexpr int NETWORK_PROFILE_UPDATE = 120;
inline constexpr int NETWORK_PROFILE_REMOVE = 121;
inline constexpr int NETWORK_HOLIDAYLABELS = 140;
inline constexpr int NETWORK_DAYTYPENAMES = 160;
inline constexpr int NETWORK_DAYTYPENAMES_UPDATE = 161;
inline constexpr int NETWORK_PROFILE_CALENDAR = 180;
inline constexpr int NETWORK_GLOBAL_CALENDAR_UPDATE = 181;
inline constexpr int NETWORK_SUBMIT_COMMANDENTRY = 190;

// The catalogue's name of a message type; empty for a code outside it.
std::string_view CatalogueName(int type);
// The name of a message type, e.g. "NETWORK_COMMON_RECEIVERS" for 5, or
// "UNKNOWN (" & type in decimal & ")" for a code outside the catalogue.
std::string MessageName(int type);

// Serves one request: decodes the whole payload before it changes anything,
// so a payload that ends early (DecodeError) changes nothing and is answered
// by nothing.
using RequestHandler = void (*)(ServerState& state, cClientConnection& connection,
                                std::string_view payload);

// The handler of a request type, or nullptr for every type the server does
// not handle: the server-to-client types 0, 1, 2, 3 and 7 and every code
// outside the catalogue.
RequestHandler HandlerFor(int type);

// Who receives a packet sent with SendPacket.
enum SendScope : int16_t {
  ToClient = 1,     // only the given connection
  ToAll = 2,        // every connection, the given one included
  ToAllOthers = 3,  // every connection except the given one
};

// The scope a 16-bit scope value stands for: any value other than 2 or 3
// behaves as ToClient.
SendScope ToSendScope(int value);

}  // namespace orlund
