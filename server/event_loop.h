#pragma once
// The server's one event thread: a boost::asio::io_context run on the main
// thread, with the listening socket, every client socket, the one-second
// timer and the signals; beside it the writer thread of the deferred saves.
// The thread waits on the client sockets' poller, which holds the
// io_context's reactor as one of its descriptors (SocketPoller::Run).
// SIGUSR1 switches the traffic file on and off. SIGINT, SIGTERM and SIGHUP
// stop: no more clients are served, the save in flight is awaited, what is
// still pending is saved, and then the loop ends. SIGPIPE and SIGXFSZ are
// ignored: a failed write is an error of that write, never the process's end.

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <string>

#include "protocol/server_state.h"
#include "server/accept_loop.h"
#include "server/deferred_saves.h"
#include "server/save_thread.h"
#include "server/socket_poller.h"

namespace orlund {

// Menu_File_Continous_Debug clicked: switches the traffic file on or off
// and, when not running as a service, shows the new state on stdout as the
// window's menu showed its check mark.
void ToggleTrafficFile(ServerState& state);

class EventLoop {
 public:
  // `state` must outlive the loop.
  explicit EventLoop(ServerState& state);
  // Drops every client connection while the io_context still exists.
  ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // Opens the listening socket on `address` (numeric IPv4):`port`. False,
  // with the system's reason in `error`, when the port cannot be taken.
  bool Listen(const std::string& address, int port, std::string& error);

  // Starts the timer and the signal handling and runs every event until a
  // stop signal arrived and the stop's saves are done; returns then.
  void Run();

  // The loop's io_context, for the operator console on the same thread.
  boost::asio::io_context& io() { return io_; }

  // After Run: the signal that stopped the loop, and how many tables its
  // pending saves wrote.
  int stop_signal() const { return stop_signal_; }
  int saves_at_stop() const { return saves_at_stop_; }

 private:
  void OnAccepted(boost::asio::ip::tcp::socket socket);
  void ArmTimer();
  void WaitForSignal();
  void Stop();

  ServerState& state_;
  // Only this thread does I/O on the context, so the reactor's per-socket
  // locks are left out; the writer thread only posts, which stays locked.
  boost::asio::io_context io_{BOOST_ASIO_CONCURRENCY_HINT_UNSAFE_IO};
  // The client sockets' readiness; goes after every session that uses it.
  SocketPoller poller_{io_};
  boost::asio::ip::tcp::acceptor acceptor_;
  AcceptLoop accept_loop_;
  boost::asio::steady_timer timer_;
  boost::asio::steady_timer list_flush_timer_;
  boost::asio::signal_set signals_;
  SaveThread save_thread_;
  DeferredSaves saves_;
  int stop_signal_ = 0;
  int saves_at_stop_ = 0;
};

}  // namespace orlund
