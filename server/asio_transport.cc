#include "server/asio_transport.h"

#include <algorithm>
#include <boost/asio/error.hpp>
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
          if (self->open_ && !self->waiting_room_ && !self->write_queue_.empty()) {
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
  if (waiting_bytes() > kMaxUnsentBytes && waiting_bytes() - LargestWaiting() > kMaxUnsentBytes) {
    state_.log.ServerLog(state_.texts.GetText(kTextClient) + " " + peer_address_ + " closed: " +
                         std::to_string(unsent_bytes_) + " bytes sent to it were not read");
    Close();
    return;
  }
  const size_t size = packet->bytes.size();
  // Nothing queued and no turn of the client's own under way: straight to
  // the socket, and only what it does not take joins the queue.
  size_t sent = 0;
  if (write_queue_.empty() && !handling_data_) {
    const ssize_t n =
        ::send(socket_.native_handle(), packet->bytes.data(), size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      Close();
      return;
    }
    if (n > 0) {
      sent = static_cast<size_t>(n);
      state_.metrics.bytes_sent += sent;
      if (sent == size) return;
    }
  }
  if (unsent_bytes_ == 0) unread_since_ = state_.clock.steady_now();
  unsent_bytes_ += size;
  if (packet->queues++ == 0) state_.UnsentTotal += size;
  write_queue_.push_back(packet);
  if (largest_known_) largest_waiting_ = std::max(largest_waiting_, size);
  if (state_.UnsentTotal > kMaxUnsentTotal) {
    EnforceUnsentTotal(state_);
    if (!open_) return;
  }
  // While the client's own data is handled, its answers wait for the end of
  // that turn; a wait for room takes the queue along when it ends.
  if (waiting_room_ || handling_data_) return;
  if (sent > 0) Taken(sent);
  WriteQueued();
}

void AsioSession::WriteQueued() {
  // The socket's own non-blocking send: asio's composed write waits for a
  // readiness edge that, with large answers, was seen to never come while
  // the socket had room, leaving a reader without the rest of its answer.
  while (open_ && !write_queue_.empty()) {
    const size_t count = std::min(write_queue_.size(), gathered_.size());
    for (size_t i = 0; i < count; ++i) {
      const std::string& bytes = write_queue_[i]->bytes;
      const size_t skip = i == 0 ? front_sent_ : 0;
      gathered_[i] = {const_cast<char*>(bytes.data()) + skip, bytes.size() - skip};
    }
    msghdr message{};
    message.msg_iov = gathered_.data();
    message.msg_iovlen = count;
    const ssize_t sent = ::sendmsg(socket_.native_handle(), &message, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      WaitForRoom(count);
      return;
    }
    if (sent <= 0) {
      // A failed send closes the socket and goes no further; the sweep
      // removes the connection.
      Close();
      return;
    }
    state_.metrics.bytes_sent += static_cast<size_t>(sent);
    unread_since_ = state_.clock.steady_now();
    Taken(static_cast<size_t>(sent));
  }
}

void AsioSession::WaitForRoom(size_t count) {
  for (size_t i = in_flight_; i < count; ++i) {
    const size_t size = write_queue_[i]->bytes.size();
    LeavesWaiting(size);
    in_flight_bytes_ += size;
  }
  in_flight_ = std::max(in_flight_, count);
  waiting_room_ = true;
  // A wait re-arms the socket's readiness, so room that is there already
  // counts too.
  socket_.async_wait(boost::asio::ip::tcp::socket::wait_write,
                     [self = shared_from_this()](const boost::system::error_code& error) {
                       self->waiting_room_ = false;
                       // A closed session has already taken its packets off
                       // the account.
                       if (!self->open_) return;
                       if (error) {
                         self->Close();
                         return;
                       }
                       self->WriteQueued();
                     });
}

void AsioSession::LeavesWaiting(size_t size) {
  if (size == largest_waiting_) largest_known_ = false;
}

size_t AsioSession::LargestWaiting() {
  if (!largest_known_) {
    largest_waiting_ = 0;
    for (size_t i = in_flight_; i < write_queue_.size(); ++i) {
      largest_waiting_ = std::max(largest_waiting_, write_queue_[i]->bytes.size());
    }
    largest_known_ = true;
  }
  return largest_waiting_;
}

void AsioSession::Taken(size_t sent) {
  while (sent > 0) {
    OutgoingPacket& packet = *write_queue_.front();
    const size_t size = packet.bytes.size();
    if (sent < size - front_sent_) {
      front_sent_ += sent;
      return;
    }
    sent -= size - front_sent_;
    front_sent_ = 0;
    unsent_bytes_ -= size;
    if (--packet.queues == 0) state_.UnsentTotal -= size;
    if (in_flight_ > 0) {
      --in_flight_;
      in_flight_bytes_ -= size;
    } else {
      LeavesWaiting(size);
    }
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
  // Every queued packet leaves the account and the queue: sends are done
  // by the time they return, so no buffer is still in use.
  for (const SharedPacket& packet : write_queue_) {
    if (--packet->queues == 0) state_.UnsentTotal -= packet->bytes.size();
  }
  state_.ReleasedBytes += unsent_bytes_;
  write_queue_.clear();
  front_sent_ = 0;
  unsent_bytes_ = 0;
  in_flight_ = 0;
  in_flight_bytes_ = 0;
  largest_waiting_ = 0;
  largest_known_ = true;
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
