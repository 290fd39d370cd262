#pragma once
// The only way a packet leaves the server, and the record every packet but a
// keep-alive leaves in the packet list and, while switched on, in the daily
// traffic file.

#include <string>
#include <string_view>

#include "protocol/catalogue.h"
#include "protocol/server_state.h"

namespace orlund {

// Frames the payload and sends it to `connection` (ToClient, and any scope
// value other than 2 and 3), to every member of ClientConnections (ToAll) or
// to every member but `connection` (ToAllOthers). Each copy is logged before
// it is written, also for a member whose socket is already closed.
void SendPacket(ServerState& state, int scope, cClientConnection& connection, int type,
                std::string_view payload);

// Sends a kept answer (framed, see AnswerCache) to `connection`, logged like
// SendPacket's.
void SendKeptAnswer(ServerState& state, cClientConnection& connection, const SharedPacket& packet);

// Writes a framed packet to the connection's socket unless it is closed; a
// write error closes the socket and goes no further.
void SendRawToClient(cClientConnection& connection, std::string packet);

// One packet-list line (and traffic record while Menu_File_Continous_Debug is
// set) for a packet sent (DirectionSent) or received (DirectionReceived).
// Keep-alives (type 0) are not logged.
void LogPacket(ServerState& state, const cClientConnection& connection, PacketDirection direction,
               int type, std::string_view payload);

}  // namespace orlund
