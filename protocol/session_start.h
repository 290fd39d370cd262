#pragma once
// The four packets a client receives right after it is admitted: the
// protocol version, the project directory, the server INI file section by
// section, and the user level it starts with.

#include "protocol/messages.h"
#include "protocol/server_state.h"

namespace orlund {

// The protocol version the server speaks.
inline constexpr int kProtocolVersion = 4;
// At most this many INI sections are sent.
inline constexpr int kMaxStartSections = 20;

// NETWORK_COMMON_INIPARAMETERS for the INI file at `ini_path`: its first 20
// sections in file order, each with its lines as the INI file API returns
// them. A missing file gives no sections.
IniParameters ReadIniParameters(const std::string& ini_path);

// Sends NETWORK_COMMON_PROTOCOLVERSION, NETWORK_COMMON_PROJECTPATH,
// NETWORK_COMMON_INIPARAMETERS and NETWORK_COMMON_USERLEVEL to the connection,
// in this order. Before the last it empties the connection's user name,
// reloads the user file and sets the start user level, so a changed user
// file takes effect for every new client.
void SendSessionStart(ServerState& state, cClientConnection& connection);

}  // namespace orlund
