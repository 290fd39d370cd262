#include "server/asio_transport.h"

#include <algorithm>
#include <boost/asio/error.hpp>
#include <boost/asio/write.hpp>
#include <span>
#include <string_view>

#include "base/text_numbers.h"
#include "protocol/dispatcher.h"

namespace orlund {

AsioSession::AsioSession(boost::asio::ip::tcp::socket socket, ServerState& state,
                         std::string peer_address, int32_t peer_port)
    : socket_(std::move(socket)),
      state_(state),
      peer_address_(std::move(peer_address)),
      peer_port_(peer_port),
      wait_timer_(socket_.get_executor()) {}

void AsioSession::Start(std::weak_ptr<cClientConnection> connection) {
  connection_ = std::move(connection);
  ReadSome();
}

void AsioSession::ReadSome() {
  if (!open_ || !reading_ || read_in_flight_) return;
  read_in_flight_ = true;
  socket_.async_read_some(
      boost::asio::buffer(read_buffer_),
      [self = shared_from_this()](const boost::system::error_code& error, size_t length) {
        self->read_in_flight_ = false;
        // A closed session (operation_aborted included) reports nothing more.
        if (!self->open_) return;
        std::shared_ptr<cClientConnection> connection = self->connection_.lock();
        if (!connection) {
          self->Close();
          return;
        }
        if (error == boost::asio::error::eof) {
          OnSocketClose(self->state_, *connection);
        } else if (error) {
          OnSocketError(self->state_, *connection, error.message());
        } else {
          self->state_.metrics.bytes_received += length;
          self->handling_data_ = true;
          OnDataArrival(self->state_, *connection,
                        std::string_view(self->read_buffer_.data(), length));
          self->handling_data_ = false;
          if (self->open_ && self->in_flight_ == 0 && !self->write_queue_.empty()) {
            self->WriteQueued();
          }
          self->ReadSome();
        }
      });
}

void AsioSession::SetReading(bool on) {
  reading_ = on;
  ReadSome();
}

void AsioSession::WaitUntil(std::chrono::steady_clock::time_point due, std::function<void()> then) {
  if (!open_) return;
  wait_timer_.expires_at(due);
  wait_timer_.async_wait(
      [self = shared_from_this(), then = std::move(then)](const boost::system::error_code& error) {
        // The connection owns the session's transport, and closes the
        // session when it goes: while open, the connection exists.
        if (error || !self->open_ || self->connection_.expired()) return;
        then();
      });
}

void AsioSession::Write(const SharedPacket& packet) {
  if (!open_) return;
  // The largest packet waiting does not count: one answer, however large,
  // reaches a client that reads, also when broadcasts come before and after.
  const size_t largest = waiting_sizes_.empty() ? 0 : *waiting_sizes_.rbegin();
  if (waiting_bytes() - largest > kMaxUnsentBytes) {
    state_.log.ServerLog(state_.texts.GetText(kTextClient) + " " + peer_address_ + " closed: " +
                         std::to_string(unsent_bytes_) + " bytes sent to it were not read");
    Close();
    return;
  }
  const size_t size = packet->bytes.size();
  if (unsent_bytes_ == 0) unread_since_ = state_.clock.steady_now();
  unsent_bytes_ += size;
  if (packet->queues++ == 0) state_.UnsentTotal += size;
  write_queue_.push_back(packet);
  waiting_sizes_.insert(size);
  if (state_.UnsentTotal > kMaxUnsentTotal) {
    EnforceUnsentTotal(state_);
    if (!open_) return;
  }
  // While the client's own data is handled, its answers wait for the end of
  // that turn; a write under way takes the queue along when it completes.
  if (in_flight_ > 0 || handling_data_) return;
  WriteQueued();
}

void AsioSession::WriteQueued() {
  in_flight_ = std::min(write_queue_.size(), gathered_.size());
  in_flight_bytes_ = 0;
  for (size_t i = 0; i < in_flight_; ++i) {
    const size_t size = write_queue_[i]->bytes.size();
    gathered_[i] = boost::asio::buffer(write_queue_[i]->bytes);
    in_flight_bytes_ += size;
    waiting_sizes_.erase(waiting_sizes_.find(size));
  }
  boost::asio::async_write(
      socket_, std::span<const boost::asio::const_buffer>(gathered_.data(), in_flight_),
      [self = shared_from_this()](const boost::system::error_code& error, size_t length) {
        self->state_.metrics.bytes_sent += length;
        // A closed session has already taken its packets off the account.
        if (!self->open_) return;
        if (error) {
          // A failed send closes the socket and goes no further; the sweep
          // removes the connection.
          self->Close();
          return;
        }
        self->Release(self->in_flight_);
        self->unread_since_ = self->state_.clock.steady_now();
        self->in_flight_ = 0;
        self->in_flight_bytes_ = 0;
        if (!self->write_queue_.empty()) self->WriteQueued();
      });
}

void AsioSession::Release(size_t count) {
  for (size_t i = 0; i < count; ++i) {
    OutgoingPacket& packet = *write_queue_.front();
    unsent_bytes_ -= packet.bytes.size();
    if (--packet.queues == 0) state_.UnsentTotal -= packet.bytes.size();
    write_queue_.pop_front();
  }
}

void AsioSession::Close() {
  if (!open_) return;
  open_ = false;
  boost::system::error_code ignored;
  socket_.shutdown(boost::asio::ip::tcp::socket::shutdown_both, ignored);
  socket_.close(ignored);
  wait_timer_.cancel();
  // Every queued packet leaves the account; the buffers of a write in flight
  // must live until its handler runs, which sees the closed session and
  // touches nothing.
  for (const SharedPacket& packet : write_queue_) {
    if (--packet->queues == 0) state_.UnsentTotal -= packet->bytes.size();
  }
  state_.ReleasedBytes += unsent_bytes_;
  write_queue_.erase(write_queue_.begin() + static_cast<std::ptrdiff_t>(in_flight_),
                     write_queue_.end());
  unsent_bytes_ = 0;
  in_flight_bytes_ = 0;
  waiting_sizes_.clear();
}

void EnforceUnsentTotal(ServerState& state, size_t limit) {
  while (state.UnsentTotal > limit) {
    cClientConnection* stalled = nullptr;
    Transport::TimePoint since = Transport::TimePoint::max();
    size_t unsent = 0;
    for (const auto& member : state.ClientConnections) {
      const Transport& socket = *member->objWinSock;
      const size_t bytes = socket.UnsentBytes();
      if (bytes == 0) continue;
      const Transport::TimePoint unread = socket.UnreadSince();
      if (stalled == nullptr || unread < since || (unread == since && bytes > unsent)) {
        stalled = member.get();
        since = unread;
        unsent = bytes;
      }
    }
    if (stalled == nullptr) return;
    const auto unread_ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(state.clock.steady_now() - since);
    state.log.ServerLog(state.texts.GetText(kTextClient) + " " + stalled->PeerAddress() +
                        " closed: " + std::to_string(unsent) +
                        " bytes sent to it were not read, none taken for " +
                        std::to_string(unread_ms.count()) + " ms while all clients held " +
                        std::to_string(state.UnsentTotal));
    stalled->objWinSock->Close();
  }
}

}  // namespace orlund
