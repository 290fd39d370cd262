#include "server/asio_transport.h"

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/write.hpp>

#include "testing/fake_transport.h"

namespace orlund {
namespace {

using boost::asio::ip::tcp;

// A session over a real loopback connection; `peer` is the client's end.
struct SessionFixture : TestServer {
  SessionFixture() : acceptor(io, tcp::endpoint(boost::asio::ip::address_v4::loopback(), 0)) {
    peer.connect(acceptor.local_endpoint());
    tcp::socket accepted(io);
    acceptor.accept(accepted);
    session = std::make_shared<AsioSession>(std::move(accepted), state, "127.0.0.1", 1);
    connection = std::make_shared<cClientConnection>(std::make_unique<AsioTransport>(session),
                                                     std::chrono::steady_clock::now());
    state.ClientConnections.push_back(connection);
    session->Start(connection);
  }

  // Sockets go before the io_context they belong to, as in the event loop.
  ~SessionFixture() {
    state.ClientConnections.clear();
    connection.reset();
    session.reset();
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
  tcp::socket peer{io};
  std::shared_ptr<AsioSession> session;
  std::shared_ptr<cClientConnection> connection;
};

TEST(AsioSessionTest, PeerCloseIsReportedOnceAndCloseIsIdempotent) {
  SessionFixture f;
  f.peer.close();
  f.RunFor();
  EXPECT_FALSE(f.connection->IsConnected());
  EXPECT_EQ(f.log.lines, std::vector<std::string>{"Socket closed 127.0.0.1"});
  f.connection->objWinSock->Close();
  f.connection->objWinSock->Write("ignored");
  f.RunFor(2);
  EXPECT_EQ(f.log.lines.size(), 1u);
}

TEST(AsioSessionTest, ClientThatDoesNotReadIsClosedPastTheUnsentLimit) {
  SessionFixture f;
  const std::string chunk(1 << 20, 'p');
  for (int i = 0; i < 40 && f.connection->IsConnected(); ++i) {
    f.connection->objWinSock->Write(chunk);
    f.RunFor(1);
  }
  EXPECT_FALSE(f.connection->IsConnected());
  EXPECT_LE(f.session->unsent_bytes(), kMaxUnsentBytes);
  EXPECT_TRUE(f.log.lines.empty());  // a send failure is not logged
}

TEST(AsioSessionTest, RemovedConnectionEndsTheSessionWithoutEvents) {
  SessionFixture f;
  std::weak_ptr<AsioSession> weak = f.session;
  f.session.reset();
  f.state.ClientConnections.clear();
  f.connection.reset();
  f.RunFor(5);
  EXPECT_TRUE(weak.expired());
  EXPECT_TRUE(f.log.lines.empty());
}

}  // namespace
}  // namespace orlund
