#pragma once
// One connected client: its socket, the bytes received but not yet cut into
// packets, the time of its last data, the area it announced, and the user
// name and level it works under.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "protocol/framing.h"

namespace orlund {

// A framed packet on its way to one or more clients. A kept answer or a
// broadcast is one packet shared by the write queues of every client it goes
// to; `queues` counts the queues holding it, so that the unsent bytes of all
// clients count its bytes once.
struct OutgoingPacket {
  std::string bytes;
  uint32_t queues = 0;
};
using SharedPacket = std::shared_ptr<OutgoingPacket>;

inline SharedPacket MakeSharedPacket(std::string bytes) {
  return std::make_shared<OutgoingPacket>(OutgoingPacket{std::move(bytes), 0});
}

// The socket of one client, as the connection sees it. The event loop's
// socket implements it; tests use an in-memory one.
class Transport {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  virtual ~Transport() = default;
  virtual bool IsConnected() const = 0;
  // Queues a framed packet for sending. A write error, or a client that lets
  // its unsent bytes pass the transport's limit, closes the socket.
  virtual void Write(std::string packet) = 0;
  // Queues a packet that other clients' queues may share.
  virtual void WriteShared(const SharedPacket& packet) { Write(packet->bytes); }
  // Closes the socket; closing a closed socket is harmless.
  virtual void Close() = 0;
  virtual const std::string& PeerAddress() const = 0;
  virtual int32_t PeerPort() const = 0;
  // Bytes queued for the client and not yet written to the socket.
  virtual size_t UnsentBytes() const { return 0; }
  // Of those, the bytes behind the write under way: what a client that does
  // not read lets pile up.
  virtual size_t WaitingBytes() const { return UnsentBytes(); }
  // While bytes are unsent: since when the client has taken none of them.
  virtual TimePoint UnreadSince() const { return TimePoint::max(); }
  // Calls `then` at `due` on the event thread, unless the socket has closed
  // by then, so the connection that owns the socket still exists. A later
  // call replaces a wait not yet done. A transport without a timer calls it
  // at once.
  virtual void WaitUntil(TimePoint due, std::function<void()> then) {
    (void)due;
    then();
  }
  // Stops (false) and restarts (true) reading from the socket. While
  // stopped, bytes the client sends wait in the system's buffers and TCP
  // slows the client down, instead of piling up in the server.
  virtual void SetReading(bool on) { (void)on; }
};

class cClientConnection {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  // m_NetworkLastPacketFromClientTimeStamp and ConnectedSince start at `now`.
  cClientConnection(std::unique_ptr<Transport> socket, TimePoint now);

  // When the client connected, on the monotonic clock (the console shows it).
  const TimePoint ConnectedSince;

  // Received bytes not yet cut into packets.
  PacketFramer m_ClientBuffer;
  // Last data arrival, on the monotonic clock so that a change of the wall
  // clock drops nobody.
  TimePoint m_NetworkLastPacketFromClientTimeStamp;
  // The area the client announced; stored only.
  std::string m_Area;
  // The client's packets in m_ClientBuffer wait for a timer of its socket:
  // behind an answer held back (a throttled login's), so that its answers
  // keep the order of its requests, or for the client's next turn after it
  // had its share of the event thread.
  bool PacketsWaiting = false;
  // m_ClientBuffer is being cut into packets and handled right now.
  bool CuttingPackets = false;
  // The client closed its end while packets of it still waited; its socket
  // is closed once they are handled.
  bool PeerClosed = false;
  std::unique_ptr<Transport> objWinSock;

  int32_t GetUserLevel() const { return m_UserLevel; }
  // Throws OverflowError, leaving the level unchanged, outside -32768..32767.
  void SetUserLevel(int32_t new_level);
  std::string GetUserName() const { return m_UserName; }
  void SetUserName(const std::string& new_name) { m_UserName = new_name; }

  bool IsConnected() const { return objWinSock->IsConnected(); }
  const std::string& PeerAddress() const { return objWinSock->PeerAddress(); }
  int32_t PeerPort() const { return objWinSock->PeerPort(); }
  // "address:port", the way log and list lines name a client.
  const std::string& PeerName() const { return m_PeerName; }

 private:
  std::string m_PeerName;
  std::string m_UserName;
  int16_t m_UserLevel = 0;
};

}  // namespace orlund
