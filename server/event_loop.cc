#include "server/event_loop.h"

#include <signal.h>

#include <chrono>
#include <iostream>

#include "server/asio_transport.h"
#include "server/connection_request.h"
#include "server/timer.h"

namespace orlund {

namespace {

using boost::asio::ip::tcp;

constexpr std::chrono::milliseconds kTick(kTimerIntervalMs);
// After a failed accept (out of file descriptors, say) the next is tried a
// little later instead of at once, which would spin.
constexpr std::chrono::milliseconds kAcceptRetry(100);

}  // namespace

EventLoop::EventLoop(ServerState& state)
    : state_(state),
      acceptor_(io_),
      timer_(io_),
      accept_retry_(io_),
      signals_(io_),
      save_thread_(io_),
      saves_(state, save_thread_) {
  // Taken over from the start, so that a signal during start-up waits for
  // the loop instead of ending the process with its default action.
  ::signal(SIGPIPE, SIG_IGN);
  ::signal(SIGXFSZ, SIG_IGN);
  signals_.add(SIGINT);
  signals_.add(SIGTERM);
  signals_.add(SIGHUP);
  signals_.add(SIGUSR1);
}

EventLoop::~EventLoop() { state_.ClientConnections.clear(); }

bool EventLoop::Listen(int port, std::string& error) {
  boost::system::error_code ec;
  tcp::endpoint endpoint(tcp::v4(), static_cast<unsigned short>(port));
  acceptor_.open(endpoint.protocol(), ec);
  if (!ec) acceptor_.set_option(tcp::acceptor::reuse_address(true), ec);
  if (!ec) acceptor_.bind(endpoint, ec);
  if (!ec) acceptor_.listen(boost::asio::socket_base::max_listen_connections, ec);
  if (ec) {
    error = ec.message();
    boost::system::error_code ignored;
    acceptor_.close(ignored);
    return false;
  }
  Accept();
  return true;
}

void EventLoop::Accept() {
  acceptor_.async_accept([this](const boost::system::error_code& error, tcp::socket socket) {
    if (error == boost::asio::error::operation_aborted) return;
    if (error) {
      accept_retry_.expires_after(kAcceptRetry);
      accept_retry_.async_wait([this](const boost::system::error_code& e) {
        if (!e) Accept();
      });
      return;
    }
    OnAccepted(std::move(socket));
    Accept();
  });
}

void EventLoop::OnAccepted(tcp::socket socket) {
  boost::system::error_code ec;
  tcp::endpoint peer = socket.remote_endpoint(ec);
  if (ec) return;  // gone before it could be looked at; the socket closes here
  std::string address = peer.address().to_string();
  int32_t port = peer.port();
  std::shared_ptr<AsioSession> session;
  auto connection = OnConnectionRequest(state_, address, port, [&] {
    session = std::make_shared<AsioSession>(std::move(socket), state_, address, port);
    return std::make_unique<AsioTransport>(session);
  });
  if (!connection) {
    // Refused: closed at once, nothing sent.
    socket.close(ec);
    return;
  }
  session->Start(connection);
}

void EventLoop::ArmTimer() {
  // Re-armed from its previous expiry, so the beat does not drift; after a
  // stall of the whole process it starts afresh instead of catching up.
  auto next = timer_.expiry() + kTick;
  auto now = std::chrono::steady_clock::now();
  if (next + kTick < now) next = now + kTick;
  timer_.expires_at(next);
  timer_.async_wait([this](const boost::system::error_code& error) {
    if (error) return;
    TimerTick(state_, saves_);
    ArmTimer();
  });
}

void EventLoop::WaitForSignal() {
  signals_.async_wait([this](const boost::system::error_code& error, int signal_number) {
    if (error) return;
    if (signal_number == SIGUSR1) {
      state_.Menu_File_Continous_Debug = !state_.Menu_File_Continous_Debug;
      // The terminal shows the switch as the window's menu showed its check.
      if (!state_.settings.RunAsService) {
        std::cout << "Save continous to debug file: "
                  << (state_.Menu_File_Continous_Debug ? "on" : "off") << std::endl;
      }
      WaitForSignal();
      return;
    }
    Stop();
  });
}

void EventLoop::Stop() {
  boost::system::error_code ignored;
  acceptor_.close(ignored);
  accept_retry_.cancel();
  timer_.cancel();
  state_.ClientConnections.clear();
  // A client's acknowledged change must not be lost.
  saves_.Finish([this] { io_.stop(); });
}

void EventLoop::Run() {
  WaitForSignal();
  timer_.expires_at(std::chrono::steady_clock::now());
  ArmTimer();
  io_.run();
}

}  // namespace orlund
