#include "server/accept_loop.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <boost/asio/io_context.hpp>
#include <vector>

#include "testing/loopback_peer.h"

namespace orlund {
namespace {

using boost::asio::ip::tcp;

TEST(AcceptLoopTest, FailedAcceptIsRetriedAfterAPauseWaitingOnesAreTakenTogether) {
  boost::asio::io_context io;
  tcp::acceptor acceptor(io, tcp::endpoint(boost::asio::ip::address_v4::loopback(), 0));
  std::vector<tcp::socket> accepted;
  AcceptLoop loop(acceptor, [&](tcp::socket socket) { accepted.push_back(std::move(socket)); });
  loop.Start();
  testing::LoopbackPeer waiting(acceptor.local_endpoint().port());  // queued by the kernel

  // Out of file descriptors: the accept fails, and the loop waits instead of
  // failing again and again.
  rlimit old{};
  getrlimit(RLIMIT_NOFILE, &old);
  rlimit none = old;
  none.rlim_cur = 0;
  setrlimit(RLIMIT_NOFILE, &none);
  size_t handlers = 0;
  for (int i = 0; i < 50; ++i) handlers += io.poll_one();
  setrlimit(RLIMIT_NOFILE, &old);
  EXPECT_TRUE(accepted.empty());
  EXPECT_LE(handlers, 3u);

  for (int i = 0; i < 100 && accepted.empty(); ++i) io.run_one_for(testing::milliseconds(50));
  EXPECT_EQ(accepted.size(), 1u);

  // Connections that queued up meanwhile are all taken with the next one.
  const int port = acceptor.local_endpoint().port();
  testing::LoopbackPeer second(port), third(port);
  for (int i = 0; i < 100 && accepted.size() == 1; ++i) io.run_one_for(testing::milliseconds(50));
  EXPECT_EQ(accepted.size(), 3u);
}

}  // namespace
}  // namespace orlund
