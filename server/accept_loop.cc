#include "server/accept_loop.h"

namespace orlund {

AcceptLoop::AcceptLoop(boost::asio::ip::tcp::acceptor& acceptor, OnAccepted on_accepted)
    : acceptor_(acceptor), on_accepted_(std::move(on_accepted)), retry_(acceptor.get_executor()) {}

void AcceptLoop::Start() {
  // The accepts of TakeWaiting fail at once when nobody waits.
  boost::system::error_code ignored;
  acceptor_.non_blocking(true, ignored);
  acceptor_.async_accept(
      [this](const boost::system::error_code& error, boost::asio::ip::tcp::socket socket) {
        if (error == boost::asio::error::operation_aborted) return;
        if (error) {
          retry_.expires_after(kAcceptRetryPause);
          retry_.async_wait([this](const boost::system::error_code& e) {
            if (!e) Start();
          });
          return;
        }
        on_accepted_(std::move(socket));
        TakeWaiting();
        Start();
      });
}

void AcceptLoop::TakeWaiting() {
  for (int i = 0; i < kAcceptsAtOnce; ++i) {
    boost::system::error_code ec;
    boost::asio::ip::tcp::socket socket(acceptor_.get_executor());
    acceptor_.accept(socket, ec);
    if (ec) return;
    on_accepted_(std::move(socket));
  }
}

}  // namespace orlund
