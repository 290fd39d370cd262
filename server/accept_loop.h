#pragma once
// Accepting the connections of a listening socket one after another on the
// event loop. After a failed accept (out of file descriptors, say) the next
// is tried after a pause instead of at once, which would spin. After each
// accept the connections already waiting are taken too, so busy clients
// cannot keep new ones waiting for long.

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <functional>

namespace orlund {

inline constexpr std::chrono::milliseconds kAcceptRetryPause(100);
// Connections taken at most after one accept event.
inline constexpr int kAcceptsAtOnce = 32;

class AcceptLoop {
 public:
  using OnAccepted = std::function<void(boost::asio::ip::tcp::socket)>;

  // `acceptor` listens and outlives the loop.
  AcceptLoop(boost::asio::ip::tcp::acceptor& acceptor, OnAccepted on_accepted);

  // Accepts until the acceptor is closed; each socket goes to on_accepted.
  void Start();

 private:
  void TakeWaiting();

  boost::asio::ip::tcp::acceptor& acceptor_;
  OnAccepted on_accepted_;
  boost::asio::steady_timer retry_;
};

}  // namespace orlund
