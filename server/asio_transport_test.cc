#include "server/asio_transport.h"

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/read.hpp>

#include "protocol/sending.h"
#include "testing/fake_transport.h"

namespace orlund {
namespace {

using boost::asio::ip::tcp;

// Sessions over real loopback connections; `peers` are the clients' ends.
// Both ends have small socket buffers, so a client that does not read soon
// holds up bytes in its session's queue.
struct Sessions : TestServer {
  Sessions() : acceptor(io, tcp::endpoint(boost::asio::ip::address_v4::loopback(), 0)) {
    acceptor.set_option(boost::asio::socket_base::send_buffer_size(4096));
  }
  // Sockets go before the io_context they belong to, as in the event loop.
  ~Sessions() {
    state.ClientConnections.clear();
    sessions.clear();
  }

  cClientConnection& Connect() {
    tcp::socket& peer = peers.emplace_back(io);
    peer.open(tcp::v4());
    peer.set_option(boost::asio::socket_base::receive_buffer_size(4096));
    peer.connect(acceptor.local_endpoint());
    tcp::socket accepted(io);
    acceptor.accept(accepted);
    sessions.push_back(std::make_shared<AsioSession>(std::move(accepted), state, "127.0.0.1", 1));
    state.ClientConnections.push_back(std::make_shared<cClientConnection>(
        std::make_unique<AsioTransport>(sessions.back()), std::chrono::steady_clock::now()));
    sessions.back()->Start(state.ClientConnections.back());
    return *state.ClientConnections.back();
  }

  void RunFor(int rounds = 20) {
    for (int i = 0; i < rounds; ++i) {
      io.poll();
      io.restart();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  boost::asio::io_context io;
  tcp::acceptor acceptor;
  std::deque<tcp::socket> peers;
  std::vector<std::shared_ptr<AsioSession>> sessions;
};

TEST(AsioSessionTest, PeerCloseIsReportedOnceAndCloseIsIdempotent) {
  Sessions f;
  cClientConnection& connection = f.Connect();
  f.peers[0].close();
  f.RunFor();
  EXPECT_FALSE(connection.IsConnected());
  EXPECT_EQ(f.log.lines, std::vector<std::string>{"Socket closed 127.0.0.1"});
  connection.objWinSock->Close();
  connection.objWinSock->Write("ignored");
  f.RunFor(2);
  EXPECT_EQ(f.log.lines.size(), 1u);
}

TEST(AsioSessionTest, ReadErrorOtherThanEndOfFileIsASocketError) {
  Sessions f;
  cClientConnection& connection = f.Connect();
  f.peers[0].set_option(boost::asio::socket_base::linger(true, 0));
  f.peers[0].close();  // a reset, not an orderly close
  f.RunFor();
  EXPECT_FALSE(connection.IsConnected());
  EXPECT_EQ(f.log.lines,
            std::vector<std::string>{"Socket error 127.0.0.1(Connection reset by peer)"});
}

TEST(AsioSessionTest, SlowReaderHoldsUpNobodyAndIsClosedPastTheUnsentLimit) {
  Sessions f;
  cClientConnection& fast = f.Connect();
  cClientConnection& slow = f.Connect();
  const std::string payload(100000, 'b');
  for (int i = 0; i < 5; ++i) SendPacket(f.state, ToAll, fast, 100, payload);
  const std::string packet = EncodePacket(100, payload);
  std::string received(5 * packet.size(), '\0');
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (size_t done = 0; done < received.size() && std::chrono::steady_clock::now() < end;) {
    f.io.poll();
    f.io.restart();
    boost::system::error_code error;
    if (f.peers[0].available(error) > 0) {
      done += f.peers[0].read_some(
          boost::asio::buffer(received.data() + done, received.size() - done), error);
    }
  }
  EXPECT_TRUE(received == packet + packet + packet + packet + packet);
  EXPECT_GT(f.sessions[1]->unsent_bytes(), 0u);  // still waiting for the slow reader

  for (int i = 0; i < 40 && slow.IsConnected(); ++i) {
    slow.objWinSock->Write(std::string(1 << 20, 'p'));
    f.RunFor(1);
  }
  EXPECT_FALSE(slow.IsConnected());
  EXPECT_LE(f.sessions[1]->unsent_bytes(), kMaxUnsentBytes);
  EXPECT_TRUE(fast.IsConnected());
  EXPECT_TRUE(f.log.lines.empty());  // a send failure is not logged
}

TEST(AsioSessionTest, RemovedConnectionEndsTheSessionWithoutEvents) {
  Sessions f;
  f.Connect();
  std::weak_ptr<AsioSession> weak = f.sessions[0];
  f.sessions.clear();
  f.state.ClientConnections.clear();
  f.RunFor(5);
  EXPECT_TRUE(weak.expired());
  EXPECT_TRUE(f.log.lines.empty());
}

}  // namespace
}  // namespace orlund
