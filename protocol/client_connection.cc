#include "protocol/client_connection.h"

#include "base/errors.h"

namespace orlund {

cClientConnection::cClientConnection(std::unique_ptr<Transport> socket, TimePoint now)
    : ConnectedSince(now),
      m_NetworkLastPacketFromClientTimeStamp(now),
      objWinSock(std::move(socket)),
      m_PeerName(objWinSock->PeerAddress() + ":" + std::to_string(objWinSock->PeerPort())) {}

void cClientConnection::SetUserLevel(int32_t new_level) {
  if (new_level < -32768 || new_level > 32767) {
    throw OverflowError("user level " + std::to_string(new_level) + " does not fit 16 bits");
  }
  m_UserLevel = static_cast<int16_t>(new_level);
}

}  // namespace orlund
