#include "server/event_loop.h"

#include <malloc.h>
#include <signal.h>

#include <boost/asio/post.hpp>
#include <chrono>
#include <iostream>

#include "server/asio_transport.h"
#include "server/connection_request.h"
#include "server/timer.h"

namespace orlund {

namespace {

using boost::asio::ip::tcp;

constexpr std::chrono::milliseconds kTick(kTimerIntervalMs);
constexpr size_t kTrimAfterBytes = 1u << 20;
// Short enough that a watching operator sees every line at once.
constexpr std::chrono::milliseconds kListFlushDelay(20);

}  // namespace

void ToggleTrafficFile(ServerState& state) {
  state.Menu_File_Continous_Debug = !state.Menu_File_Continous_Debug;
  if (!state.settings.RunAsService) {
    std::cout << "Save continous to debug file: "
              << (state.Menu_File_Continous_Debug ? "on" : "off") << std::endl;
  }
}

EventLoop::EventLoop(ServerState& state)
    : state_(state),
      acceptor_(io_),
      accept_loop_(acceptor_, [this](tcp::socket socket) { OnAccepted(std::move(socket)); }),
      timer_(io_),
      list_flush_timer_(io_),
      signals_(io_),
      save_thread_(io_, [this] { poller_.Wake(); }),
      saves_(state, save_thread_) {
  // Taken over from the start, so that a signal during start-up waits for
  // the loop instead of ending the process with its default action.
  ::signal(SIGPIPE, SIG_IGN);
  ::signal(SIGXFSZ, SIG_IGN);
  // A closed terminal stops the server like a stop request, saves first.
  signals_.add(SIGHUP);
  signals_.add(SIGINT);
  signals_.add(SIGTERM);
  signals_.add(SIGUSR1);
  // Commands for the alarm server go to its spool from the writer thread.
  state_.run_in_background = [this](BackgroundJob job) { save_thread_.Execute(std::move(job)); };
  // The packet-list lines reach stdout together, kListFlushDelay after the
  // first of them: one write for hundreds of packets instead of one each.
  state_.List_Packets.SetFlushScheduler([this] {
    list_flush_timer_.expires_after(kListFlushDelay);
    list_flush_timer_.async_wait([this](const boost::system::error_code& error) {
      if (!error) state_.List_Packets.Flush();
    });
  });
}

EventLoop::~EventLoop() {
  state_.run_in_background = nullptr;
  state_.ClientConnections.clear();
  state_.List_Packets.SetFlushScheduler({});
  state_.List_Packets.Flush();
}

bool EventLoop::Listen(const std::string& address, int port, std::string& error) {
  boost::system::error_code ec;
  tcp::endpoint endpoint(boost::asio::ip::make_address_v4(address, ec),
                         static_cast<unsigned short>(port));
  if (!ec) acceptor_.open(endpoint.protocol(), ec);
  if (!ec) acceptor_.set_option(tcp::acceptor::reuse_address(true), ec);
  if (!ec) acceptor_.bind(endpoint, ec);
  if (!ec) acceptor_.listen(boost::asio::socket_base::max_listen_connections, ec);
  if (ec) {
    error = ec.message();
    boost::system::error_code ignored;
    acceptor_.close(ignored);
    return false;
  }
  accept_loop_.Start();
  return true;
}

void EventLoop::OnAccepted(tcp::socket socket) {
  boost::system::error_code ec;
  tcp::endpoint peer = socket.remote_endpoint(ec);
  if (ec) return;  // gone before it could be looked at; the socket closes here
  std::string address = peer.address().to_string();
  int32_t port = peer.port();
  std::shared_ptr<AsioSession> session;
  auto connection = OnConnectionRequest(state_, address, port, [&] {
    session = std::make_shared<AsioSession>(std::move(socket), poller_, state_, address, port);
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
    const size_t members = state_.ClientConnections.size();
    TimerTick(state_, saves_);
    // Memory of clients that left, or of large backlogs dropped, goes back
    // to the system instead of staying with the process.
    if (state_.ClientConnections.size() < members || state_.ReleasedBytes >= kTrimAfterBytes) {
      ::malloc_trim(0);
      state_.ReleasedBytes = 0;
    }
    ArmTimer();
  });
}

void EventLoop::WaitForSignal() {
  signals_.async_wait([this](const boost::system::error_code& error, int signal_number) {
    if (error) return;
    if (signal_number == SIGUSR1) {
      ToggleTrafficFile(state_);
      WaitForSignal();
      return;
    }
    // The stop line says what the stop saved: the tables with changes not yet
    // on disk, or being written, now.
    stop_signal_ = signal_number;
    saves_at_stop_ = int{saves_.ReceiversBusy()} + int{saves_.ProfilesBusy()};
    Stop();
  });
}

void EventLoop::Stop() {
  boost::system::error_code ignored;
  acceptor_.close(ignored);
  timer_.cancel();
  state_.ClientConnections.clear();
  // The commands handed to the writer before the stop reach the spool, and
  // their audit lines the log, before the pending saves are finished; a
  // client's acknowledged change must not be lost.
  save_thread_.Execute(
      [this] { return std::function<void()>([this] { saves_.Finish([this] { io_.stop(); }); }); });
}

void EventLoop::Run() {
  WaitForSignal();
  timer_.expires_at(std::chrono::steady_clock::now());
  ArmTimer();
  poller_.Run();
}

}  // namespace orlund
