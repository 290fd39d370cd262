#include "server/asio_transport.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <span>
#include <string_view>
#include <system_error>

#include "base/text_numbers.h"
#include "protocol/dispatcher.h"

namespace orlund {

namespace {

// A failure of a non-blocking call that only means "not now".
bool NotNow(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

}  // namespace

AsioSession::AsioSession(boost::asio::ip::tcp::socket socket, SocketPoller& poller,
                         ServerState& state, std::string peer_address, int32_t peer_port)
    : poller_(poller),
      state_(state),
      peer_address_(std::move(peer_address)),
      peer_port_(peer_port),
      wait_timer_(socket.get_executor()) {
  // The socket leaves the event loop's reactor: the poller watches it.
  boost::system::error_code ignored;
  fd_ = socket.release(ignored);
  if (fd_ < 0) open_ = false;
}

AsioSession::~AsioSession() {
  // Only when the session ends without being closed; a closed socket has
  // already left the poller.
  if (fd_ >= 0) ::close(fd_);
}

void AsioSession::Start(std::weak_ptr<cClientConnection> connection) {
  connection_ = std::move(connection);
  Rewatch();
}

void AsioSession::Rewatch() {
  if (!open_) return;
  if (!poller_.Watch(fd_, weak_from_this(), reading_, waiting_room_)) {
    if (auto connection = connection_.lock()) {
      OnSocketError(state_, *connection, std::system_category().message(errno));
    }
    Close();
  }
}

bool AsioSession::OnReadable() {
  if (!open_ || !reading_) return false;
  std::shared_ptr<cClientConnection> connection = connection_.lock();
  if (!connection) {
    Close();
    return false;
  }
  const std::span<char> buffer = poller_.read_buffer();
  const ssize_t length = ::recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT);
  if (length < 0) {
    if (NotNow(errno)) return false;
    OnSocketError(state_, *connection, std::system_category().message(errno));
    return false;
  }
  if (length == 0) {
    OnSocketClose(state_, *connection);
    return false;
  }
  const size_t taken = static_cast<size_t>(length);
  state_.metrics.bytes_received += taken;
  handling_data_ = true;
  arrived_ = state_.clock.steady_now();
  OnDataArrival(state_, *connection, std::string_view(buffer.data(), taken), arrived_);
  handling_data_ = false;
  if (open_ && !waiting_room_ && !write_queue_.empty()) WriteQueued();
  return open_ && taken == buffer.size();
}

void AsioSession::OnWritable() {
  if (!open_ || !waiting_room_) return;
  waiting_room_ = false;
  Rewatch();
  WriteQueued();
}

void AsioSession::SetReading(bool on) {
  if (reading_ == on) return;
  reading_ = on;
  Rewatch();
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
    const ssize_t n = ::send(fd_, packet->bytes.data(), size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && !NotNow(errno)) {
      Close();
      return;
    }
    if (n > 0) {
      sent = static_cast<size_t>(n);
      state_.metrics.bytes_sent += sent;
      if (sent == size) return;
    }
  }
  // During the client's own turn its data's arrival stands for now.
  if (unsent_bytes_ == 0) unread_since_ = handling_data_ ? arrived_ : state_.clock.steady_now();
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
  // Non-blocking sends of up to 64 packets at once; what the socket does not
  // take waits until the poller reports room. Readiness is level-triggered
  // there, so room that comes while nobody waits for it is not missed.
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
    const ssize_t sent = ::sendmsg(fd_, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
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
    Taken(static_cast<size_t>(sent));
    // The time bytes were last taken counts only while some still wait.
    if (unsent_bytes_ > 0) unread_since_ = state_.clock.steady_now();
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
  Rewatch();
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
  waiting_room_ = false;
  poller_.Forget(fd_);
  ::shutdown(fd_, SHUT_RDWR);
  ::close(fd_);
  fd_ = -1;
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
