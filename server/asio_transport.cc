#include "server/asio_transport.h"

#include <boost/asio/error.hpp>
#include <boost/asio/write.hpp>
#include <string_view>

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
          OnDataArrival(self->state_, *connection,
                        std::string_view(self->read_buffer_.data(), length));
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

void AsioSession::Write(std::string packet) {
  if (!open_) return;
  if (packet.size() > kMaxUnsentBytes - unsent_bytes_) {
    Close();
    return;
  }
  unsent_bytes_ += packet.size();
  write_queue_.push_back(std::move(packet));
  if (write_queue_.size() == 1) WriteFront();
}

void AsioSession::WriteFront() {
  boost::asio::async_write(
      socket_, boost::asio::buffer(write_queue_.front()),
      [self = shared_from_this()](const boost::system::error_code& error, size_t length) {
        self->state_.metrics.bytes_sent += length;
        if (!self->open_) return;
        if (error) {
          // A failed send closes the socket and goes no further; the sweep
          // removes the connection.
          self->Close();
          return;
        }
        self->unsent_bytes_ -= self->write_queue_.front().size();
        self->write_queue_.pop_front();
        if (!self->write_queue_.empty()) self->WriteFront();
      });
}

void AsioSession::Close() {
  if (!open_) return;
  open_ = false;
  boost::system::error_code ignored;
  socket_.shutdown(boost::asio::ip::tcp::socket::shutdown_both, ignored);
  socket_.close(ignored);
  wait_timer_.cancel();
  // The buffer of a write in flight must live until its handler runs; the
  // handler sees the closed session and touches nothing.
  while (write_queue_.size() > 1) write_queue_.pop_back();
  unsent_bytes_ = 0;
}

}  // namespace orlund
