#include "server/asio_transport.h"

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/read.hpp>

#include "protocol/framing.h"
#include "protocol/messages.h"
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
    sessions.push_back(
        std::make_shared<AsioSession>(std::move(accepted), poller, state, "127.0.0.1", 1));
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
  SocketPoller poller{io};
  tcp::acceptor acceptor;
  std::deque<tcp::socket> peers;
  std::vector<std::shared_ptr<AsioSession>> sessions;
};

// An orderly close and a reset are reported once each; closing again and
// writing after the close do nothing.
TEST(AsioSessionTest, PeerCloseOrResetIsReportedOnceAndCloseIsIdempotent) {
  for (bool reset : {false, true}) {
    Sessions f;
    cClientConnection& connection = f.Connect();
    if (reset) f.peers[0].set_option(boost::asio::socket_base::linger(true, 0));
    f.peers[0].close();
    f.RunFor();
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_EQ(f.log.lines,
              std::vector<std::string>{reset ? "Socket error 127.0.0.1(Connection reset by peer)"
                                             : "Socket closed 127.0.0.1"});
    connection.objWinSock->Close();
    connection.objWinSock->Write("ignored");
    EXPECT_EQ(f.state.UnsentTotal, 0u);
    f.RunFor(2);
    EXPECT_EQ(f.log.lines.size(), 1u);
  }
}

// Reads `size` bytes from the peer while the sessions run.
std::string ReadFromPeer(Sessions& f, tcp::socket& peer, size_t size) {
  std::string received(size, '\0');
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (size_t done = 0; done < size && std::chrono::steady_clock::now() < end;) {
    f.io.poll();
    f.io.restart();
    boost::system::error_code error;
    if (peer.available(error) > 0) {
      done += peer.read_some(boost::asio::buffer(received.data() + done, size - done), error);
    }
  }
  return received;
}

TEST(AsioSessionTest, SlowReaderHoldsUpNobodyAndIsClosedWhenItsBacklogPassesTheLimit) {
  Sessions f;
  cClientConnection& fast = f.Connect();
  cClientConnection& slow = f.Connect();
  const std::string payload(100000, 'b');
  for (int i = 0; i < 5; ++i) SendPacket(f.state, ToAll, fast, 100, payload);
  const std::string packet = EncodePacket(100, payload);
  EXPECT_TRUE(ReadFromPeer(f, f.peers[0], 5 * packet.size()) ==
              packet + packet + packet + packet + packet);
  EXPECT_GT(f.sessions[1]->unsent_bytes(), 0u);  // still waiting for the slow reader
  // The broadcasts are shared: all clients' unsent bytes are the slow one's.
  EXPECT_EQ(f.state.UnsentTotal, f.sessions[1]->unsent_bytes());

  // One answer larger than the limit still reaches a client that reads, also
  // behind a write under way with packets queued before and after it.
  const std::string huge(kMaxUnsentBytes + 1000, 'h');
  for (const char* packet : {"before", "next"}) fast.objWinSock->Write(packet);
  fast.objWinSock->Write(huge);
  fast.objWinSock->Write("after");
  EXPECT_TRUE(ReadFromPeer(f, f.peers[0], huge.size() + 15) == "beforenext" + huge + "after");

  for (int i = 0; i < 40 && slow.IsConnected(); ++i) {
    slow.objWinSock->Write(std::string(1 << 20, 'p'));
    f.RunFor(1);
  }
  EXPECT_FALSE(slow.IsConnected());
  EXPECT_TRUE(fast.IsConnected());
  ASSERT_EQ(f.log.lines.size(), 1u);
  EXPECT_TRUE(f.log.lines[0].find(" 127.0.0.1 closed: ") != std::string::npos) << f.log.lines[0];
  EXPECT_EQ(f.state.UnsentTotal, 0u);
  EXPECT_GT(f.state.ReleasedBytes, kMaxUnsentBytes);
}

// Sessions on a clock the test moves, for clients left with a MiB unread.
struct StalledSessions : Sessions {
  StalledSessions() {
    state.clock.steady_now = [this] { return now; };
  }
  std::chrono::steady_clock::time_point now{};
  const std::string mib = std::string(1 << 20, 'x');
};

// Past the total limit the client that has gone longest without reading is
// closed first, though a later one holds more; of clients stalled since the
// same moment the larger backlog goes first, and closing goes on while what
// a close frees is still held by others.
TEST(AsioSessionTest, PastTheTotalLimitTheLongestStalledAreClosedFirst) {
  StalledSessions f;
  cClientConnection& stalled = f.Connect();
  cClientConnection& reader = f.Connect();
  cClientConnection& idle = f.Connect();
  const std::string& mib = f.mib;
  stalled.objWinSock->Write(mib);
  f.now += std::chrono::seconds(5);
  reader.objWinSock->Write(mib + mib);
  SendPacket(f.state, ToAll, reader, 100, mib);  // shared, counted once
  f.RunFor(2);
  const size_t shared = kPacketHeaderSize + mib.size();
  EXPECT_EQ(f.state.UnsentTotal, 3 * mib.size() + shared);

  EnforceUnsentTotal(f.state, 2 * mib.size() + shared);
  EXPECT_FALSE(stalled.IsConnected());
  EXPECT_TRUE(reader.IsConnected() && idle.IsConnected());
  ASSERT_EQ(f.log.lines.size(), 1u);
  EXPECT_NE(f.log.lines[0].find(" not read, none taken for 5000 ms while all clients held "),
            std::string::npos)
      << f.log.lines[0];

  EnforceUnsentTotal(f.state, mib.size());
  EXPECT_FALSE(reader.IsConnected() || idle.IsConnected());
  EXPECT_EQ(f.state.UnsentTotal, 0u);
  EXPECT_EQ(f.log.lines.size(), 3u);
}

// A client that takes bytes again counts as stalled only from then: past the
// limit the one that took nothing since goes first, though it holds less.
TEST(AsioSessionTest, AClientThatTakesBytesAgainIsStalledOnlyFromThen) {
  StalledSessions f;
  cClientConnection& reading = f.Connect();
  cClientConnection& stalled = f.Connect();
  reading.objWinSock->Write(f.mib + f.mib);
  stalled.objWinSock->Write(f.mib);
  f.RunFor(2);
  f.now += std::chrono::seconds(5);
  ReadFromPeer(f, f.peers[0], 100000);
  f.RunFor(2);
  ASSERT_GT(f.sessions[0]->unsent_bytes(), f.sessions[1]->unsent_bytes());

  EnforceUnsentTotal(f.state, f.sessions[0]->unsent_bytes());
  EXPECT_FALSE(stalled.IsConnected());
  EXPECT_TRUE(reading.IsConnected());
}

// A burst of requests larger than the read buffer is answered whole though
// nothing more arrives: the socket is asked again while a receive fills the
// buffer, and reading stopped for a long burst resumes with what waits.
TEST(AsioSessionTest, BurstLargerThanTheReadBufferIsAnsweredWhole) {
  Sessions f;
  f.Connect();
  const std::string request = EncodePacket(NETWORK_COMMON_RECEIVERTYPES, "");
  constexpr int kRequests = 40000;
  std::string burst;
  for (int i = 0; i < kRequests; ++i) burst += request;
  ASSERT_GT(burst.size(), 2 * 65536u);
  tcp::socket& peer = f.peers[0];
  peer.non_blocking(true);
  PacketFramer framer;
  int answers = 0;
  size_t written = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (answers < kRequests && std::chrono::steady_clock::now() < end) {
    boost::system::error_code error;
    // More only once everything sent so far is answered: what the server
    // left unread must not wait for a new arrival.
    if (written < burst.size() && answers == static_cast<int>(written / request.size())) {
      written += peer.write_some(
          boost::asio::buffer(burst.data() + written, burst.size() - written), error);
      ASSERT_GT(written, 65536u) << "the socket buffers take less than a read";
    }
    f.io.poll();
    f.io.restart();
    char chunk[65536];
    const size_t got = peer.read_some(boost::asio::buffer(chunk), error);
    framer.Feed(std::string_view(chunk, got));
    Frame frame;
    while (framer.Next(frame) == FrameStatus::kPacket) {
      answers += frame.type == NETWORK_COMMON_RECEIVERTYPES ? 1 : 0;
    }
  }
  EXPECT_EQ(answers, kRequests);
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
