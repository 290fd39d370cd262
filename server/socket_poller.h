#pragma once
// Readiness of the client sockets, level-triggered, on the event loop. The
// io_context's reactor reports readiness by edges, so a reader there must
// receive until the socket says it is empty: two receives for every request
// a client sends and waits on. Here a socket stays ready while data waits,
// so one receive per arrival serves, and one wait of the event loop serves
// every client with data at once.
//
// Run() makes the event thread wait on the client sockets themselves, with
// the io_context's reactor as one more descriptor beside them: a request
// wakes the thread in one step. Where the io_context runs on its own
// instead, the poller waits inside it as one descriptor of the reactor, and
// every wake-up of a client passes through both.

#include <sys/epoll.h>

#include <array>
#include <boost/asio/io_context.hpp>
#include <boost/asio/posix/stream_descriptor.hpp>
#include <memory>
#include <span>
#include <vector>

namespace orlund {

class SocketPoller {
 public:
  // What a watched socket is ready for is reported to its client.
  class Client {
   public:
    // Data, the peer's close or an error waits. True when more may wait
    // than was taken, so the socket is asked again in the same round.
    virtual bool OnReadable() = 0;
    // The socket has room for writing again.
    virtual void OnWritable() = 0;

   protected:
    ~Client() = default;
  };

  // The io_context must not run handlers once the poller is gone.
  explicit SocketPoller(boost::asio::io_context& io);
  ~SocketPoller();
  SocketPoller(const SocketPoller&) = delete;
  SocketPoller& operator=(const SocketPoller&) = delete;

  // Watches `fd` for `client`, which is called while it exists and the
  // socket is watched; for reading when `read`, for room to write when
  // `write`; watching for neither takes it out of the set. Calling it again
  // changes what is watched. False when the system refuses to watch it: its
  // client cannot be served.
  bool Watch(int fd, std::weak_ptr<Client> client, bool read, bool write);
  // Stops watching `fd`, before it is closed.
  void Forget(int fd);

  // Runs the io_context's handlers and serves the watched sockets until the
  // io_context stops or runs out of work (watched sockets are not work), as
  // io_context::run does. Work posted from another thread meanwhile must be
  // followed by Wake().
  void Run();
  // Wakes Run on the event thread; callable from any thread.
  void Wake();

  // The buffer every client receives into: clients are called one at a
  // time, and each hands what it received on before it returns.
  std::span<char> read_buffer() { return read_buffer_; }

 private:
  void Arm();
  // One round: waits up to `timeout_ms` for sockets (0: only looks) and
  // serves those ready. True when more may wait than was taken.
  bool Serve(int timeout_ms);
  // A round while the poller waits inside the io_context: serves, then
  // serves again soon or waits for the next readiness.
  void ServeInside();
  // A round of Serve soon, once however often asked for.
  void PostPoll();

  struct Watched {
    std::weak_ptr<Client> client;
    uint32_t events = 0;
  };

  // The entry of `fd`, or null when it was never watched.
  Watched* Find(int fd);

  int epoll_fd_;
  int wake_fd_;
  boost::asio::io_context& io_;
  // Holds epoll_fd_ while the io_context waits on the poller.
  boost::asio::posix::stream_descriptor descriptor_;
  // The io_context's reactor while Run waits on the poller; -1 otherwise.
  int reactor_fd_ = -1;
  std::vector<Watched> watched_;  // by file descriptor
  std::array<epoll_event, 64> ready_;
  std::array<char, 65536> read_buffer_;
  bool armed_ = false;
  bool poll_posted_ = false;
  // Run's round has reached the mark it queued behind the round's handlers.
  bool round_marked_ = false;
};

// The epoll descriptor the io_context's reactor waits on, which Boost.Asio
// does not expose; -1 when it cannot be told.
int FindReactorDescriptor(boost::asio::io_context& io);

}  // namespace orlund
