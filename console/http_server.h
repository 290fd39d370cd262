#pragma once
// The console's HTTP/1.1 server, on the server's own event loop
// (Boost.Beast over the loop's io_context). It reads one request at a time
// per connection within limits of size and time, hands it to a handler, and
// writes the answer; an answer may be held back for a while (failed logins)
// or may start an event stream that the connection then carries. Bad input
// gets a clean 4xx answer and costs the wire protocol nothing: every
// operation is asynchronous and bounded.

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/status.hpp>
#include <boost/beast/http/string_body.hpp>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace orlund {

namespace http = boost::beast::http;
using HttpRequest = http::request<http::string_body>;
using HttpResponse = http::response<http::string_body>;

// Open console connections at most; one more is answered 429 and closed.
inline constexpr size_t kMaxConsoleConnections = 32;
inline constexpr uint32_t kMaxRequestHeaderBytes = 8 * 1024;
inline constexpr uint64_t kMaxRequestBodyBytes = 16 * 1024;
// A request must arrive whole within this time of the connection being
// ready for it (408 when it started, closed quietly when nothing came).
inline constexpr std::chrono::seconds kRequestTimeout{10};
// An answer, or a piece of an event stream, must be taken within this time.
inline constexpr std::chrono::seconds kWriteTimeout{30};
// An event stream whose client lets more than this wait is closed; the
// browser reconnects and picks up where it can.
inline constexpr size_t kMaxUnsentStreamBytes = 1 << 20;

// The server end of an event stream (text/event-stream) that one console
// connection carries after its response head.
class EventSink {
 public:
  virtual ~EventSink() = default;
  // Queues bytes for the client. False, the stream being closed, when it is
  // closed already or when more than kMaxUnsentStreamBytes would wait.
  virtual bool Push(std::shared_ptr<const std::string> bytes) = 0;
  virtual bool IsOpen() const = 0;
};

struct HttpReply {
  HttpResponse response;
  // The answer is held back until then (failed logins), on a timer.
  std::optional<std::chrono::steady_clock::time_point> not_before;
  // When set, the answer is an event stream: a 200 head, then whatever is
  // pushed to the sink this function is handed once the head is out.
  std::function<void(std::shared_ptr<EventSink>)> stream;
};

class HttpHandler {
 public:
  virtual ~HttpHandler() = default;
  // The answer to one whole request from `peer_address`. An exception
  // becomes a 500 answer.
  virtual HttpReply Handle(const HttpRequest& request, const std::string& peer_address) = 0;
};

// A text/plain answer; the headers every console answer carries are set.
HttpResponse TextResponse(http::status status, std::string_view text);
// Cache-Control, X-Content-Type-Options and Referrer-Policy of every answer.
void SetCommonHeaders(HttpResponse& response);

class HttpConnection;

class HttpServer : public std::enable_shared_from_this<HttpServer> {
 public:
  // `handler` must stay valid until Stop.
  HttpServer(boost::asio::io_context& io, HttpHandler& handler);

  // Listens on `address`:`port`. False, with the system's reason in
  // `error`, when the address is not one or cannot be taken.
  bool Listen(const std::string& address, int port, std::string& error);
  // Stops accepting, closes every connection, and calls the handler no more.
  void Stop();

  size_t connections() const { return connections_.size(); }

 private:
  friend class HttpConnection;
  void Accept();

  boost::asio::io_context& io_;
  HttpHandler* handler_;
  boost::asio::ip::tcp::acceptor acceptor_;
  boost::asio::steady_timer accept_retry_;
  std::unordered_set<HttpConnection*> connections_;
  size_t rejecting_ = 0;
};

}  // namespace orlund
