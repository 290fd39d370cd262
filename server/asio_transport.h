#pragma once
// The socket of one client on the event loop. A session owns the TCP socket,
// which the poller watches, reads into the connection's framing, and writes
// the packets queued for it:
// the answers to one arrival of data leave in one write, and what the socket
// does not take at once waits until it has room again, together with the
// packets queued meanwhile. Its handlers keep the
// session alive until they complete; they deliver events only while the
// connection object still exists.

#include <sys/uio.h>

#include <array>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "protocol/client_connection.h"
#include "protocol/server_state.h"
#include "server/socket_poller.h"

namespace orlund {

// The unsent bytes a client may hold up: a packet queued while more than this
// waits behind the write under way, besides the largest packet waiting,
// closes the client as on a send error, so a broadcast never grows memory
// without bound. A single packet, however large, still reaches a client that
// reads.
inline constexpr size_t kMaxUnsentBytes = 8u << 20;
// The unsent bytes of all clients together, each shared packet counted once.
// Past it the client that has gone longest without reading is closed, then
// the next, until the total is below it again. Closing by size alone would
// close readers first: a large answer shared with clients that do not read is
// no smaller for the client reading it, and closing that client frees
// nothing while the others hold the answer.
inline constexpr size_t kMaxUnsentTotal = 128u << 20;

// Closes clients, the longest without reading first (of those stalled since
// the same moment, the largest backlog), while the unsent bytes of all
// clients exceed `limit`; one server log line for each.
void EnforceUnsentTotal(ServerState& state, size_t limit = kMaxUnsentTotal);

class AsioSession : public SocketPoller::Client, public std::enable_shared_from_this<AsioSession> {
 public:
  // `socket` is connected; `poller` and `state` outlive the session's
  // events.
  AsioSession(boost::asio::ip::tcp::socket socket, SocketPoller& poller, ServerState& state,
              std::string peer_address, int32_t peer_port);
  ~AsioSession();
  AsioSession(const AsioSession&) = delete;
  AsioSession& operator=(const AsioSession&) = delete;

  // Starts reading. Data goes to OnDataArrival, the peer's close to
  // OnSocketClose, a read error to OnSocketError, each with `connection`
  // while it exists.
  void Start(std::weak_ptr<cClientConnection> connection);

  bool IsConnected() const { return open_; }
  void Write(const SharedPacket& packet);
  // Idempotent; queued bytes are dropped and a wait ends without its call.
  void Close();
  // Calls `then` at `due` unless the session has closed by then; replaces a
  // wait not yet done.
  void WaitUntil(std::chrono::steady_clock::time_point due, std::function<void()> then);
  // Stops and restarts reading.
  void SetReading(bool on);
  const std::string& PeerAddress() const { return peer_address_; }
  int32_t PeerPort() const { return peer_port_; }
  size_t unsent_bytes() const { return unsent_bytes_; }
  size_t waiting_bytes() const { return unsent_bytes_ - in_flight_bytes_; }
  std::chrono::steady_clock::time_point unread_since() const { return unread_since_; }

 private:
  // One receive: more may wait when it filled the buffer.
  bool OnReadable() override;
  void OnWritable() override;
  // Tells the poller what the session waits for now.
  void Rewatch();
  // Sends what the socket takes of the queue now, then waits for room for
  // the rest.
  void WriteQueued();
  // Takes `sent` bytes off the queue's front; packets sent whole leave it.
  void Taken(size_t sent);
  // The first `count` packets are under way: the socket had no room for them.
  void WaitForRoom(size_t count);
  // A packet of `size` bytes is no longer behind the write under way.
  void LeavesWaiting(size_t size);
  size_t LargestWaiting();

  int fd_ = -1;
  SocketPoller& poller_;
  ServerState& state_;
  std::string peer_address_;
  int32_t peer_port_;
  std::weak_ptr<cClientConnection> connection_;
  bool reading_ = true;  // reads wanted
  boost::asio::steady_timer wait_timer_;
  std::deque<SharedPacket> write_queue_;
  size_t front_sent_ = 0;  // bytes of the first packet already sent
  std::array<iovec, 64> gathered_;
  size_t in_flight_bytes_ = 0;
  size_t in_flight_ = 0;        // packets at the queue's front in the write under way
  bool waiting_room_ = false;   // the socket had no room: the poller reports it
  bool handling_data_ = false;  // OnDataArrival runs for this client
  size_t unsent_bytes_ = 0;
  // The largest packet behind the write under way, looked for again only
  // when needed after the one it was has left.
  size_t largest_waiting_ = 0;
  bool largest_known_ = true;
  // When the client last took a write, or got its first unsent byte since.
  std::chrono::steady_clock::time_point unread_since_;
  std::chrono::steady_clock::time_point arrived_;  // when the data in hand was read
  bool open_ = true;
};

// The Transport a cClientConnection owns. Destroying it (the sweep removes
// the connection) closes the session.
class AsioTransport : public Transport {
 public:
  explicit AsioTransport(std::shared_ptr<AsioSession> session) : session_(std::move(session)) {}
  ~AsioTransport() override { session_->Close(); }

  bool IsConnected() const override { return session_->IsConnected(); }
  void Write(std::string packet) override { session_->Write(MakeSharedPacket(std::move(packet))); }
  void WriteShared(const SharedPacket& packet) override { session_->Write(packet); }
  void Close() override { session_->Close(); }
  const std::string& PeerAddress() const override { return session_->PeerAddress(); }
  int32_t PeerPort() const override { return session_->PeerPort(); }
  size_t UnsentBytes() const override { return session_->unsent_bytes(); }
  size_t WaitingBytes() const override { return session_->waiting_bytes(); }
  TimePoint UnreadSince() const override { return session_->unread_since(); }
  void WaitUntil(TimePoint due, std::function<void()> then) override {
    session_->WaitUntil(due, std::move(then));
  }
  void SetReading(bool on) override { session_->SetReading(on); }

 private:
  std::shared_ptr<AsioSession> session_;
};

}  // namespace orlund
