#include "console/http_server.h"

#include <array>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>
#include <deque>
#include <exception>
#include <vector>

namespace orlund {

namespace {

using boost::asio::ip::tcp;
using ErrorCode = boost::system::error_code;

constexpr std::chrono::milliseconds kAcceptRetry(100);
// How long a closing connection waits for its client to stop sending, so
// that the answer is read before the socket closes.
constexpr std::chrono::seconds kLingerTime{2};

constexpr std::string_view kStreamHead =
    "HTTP/1.1 200 OK\r\n"
    "Content-Type: text/event-stream; charset=utf-8\r\n"
    "Cache-Control: no-store\r\n"
    "X-Content-Type-Options: nosniff\r\n"
    "Connection: close\r\n"
    "\r\n";

}  // namespace

void SetCommonHeaders(HttpResponse& response) {
  response.set(http::field::cache_control, "no-store");
  response.set("X-Content-Type-Options", "nosniff");
  response.set("Referrer-Policy", "same-origin");
}

HttpResponse TextResponse(http::status status, std::string_view text) {
  HttpResponse response(status, 11);
  SetCommonHeaders(response);
  response.set(http::field::content_type, "text/plain; charset=utf-8");
  response.body() = std::string(text) + "\n";
  return response;
}

// One console connection: requests one after another, then possibly an
// event stream. Its handlers hold it alive; it reports to the server only
// while the server still has a handler.
class HttpConnection : public EventSink, public std::enable_shared_from_this<HttpConnection> {
 public:
  HttpConnection(tcp::socket socket, std::shared_ptr<HttpServer> server, bool counted)
      : socket_(std::move(socket)),
        server_(std::move(server)),
        counted_(counted),
        deadline_(server_->io_),
        hold_(server_->io_) {
    if (counted_) {
      server_->connections_.insert(this);
    } else {
      ++server_->rejecting_;
    }
    ErrorCode ec;
    const tcp::endpoint peer = socket_.remote_endpoint(ec);
    if (!ec) peer_address_ = peer.address().to_string();
    socket_.set_option(tcp::no_delay(true), ec);
  }

  ~HttpConnection() override {
    if (counted_) {
      server_->connections_.erase(this);
    } else {
      --server_->rejecting_;
    }
  }

  void Start() { ReadRequest(); }

  // Over the connection limit: answered at once, nothing read.
  void Reject() { SendError(http::status::too_many_requests, "Too many console connections"); }

  bool Push(std::shared_ptr<const std::string> bytes) override {
    if (!open_ || !streaming_) return false;
    if (bytes->size() > kMaxUnsentStreamBytes - stream_unsent_) {
      Close();
      return false;
    }
    stream_unsent_ += bytes->size();
    stream_queue_.push_back(std::move(bytes));
    if (stream_queue_.size() == 1) WriteStreamFront();
    return true;
  }

  bool IsOpen() const override { return open_ && streaming_; }

  void Close() {
    if (!open_) return;
    open_ = false;
    deadline_.cancel();
    hold_.cancel();
    ErrorCode ignored;
    socket_.shutdown(tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
    // The bytes of a write in flight must live until its handler runs.
    while (stream_queue_.size() > 1) stream_queue_.pop_back();
  }

 private:
  // Cancels the socket's operations, marking them timed out, when `limit`
  // passes before DisarmDeadline or the next ArmDeadline.
  void ArmDeadline(std::chrono::steady_clock::duration limit) {
    timed_out_ = false;
    const uint64_t generation = ++deadline_generation_;
    deadline_.expires_after(limit);
    deadline_.async_wait([weak = weak_from_this(), generation](const ErrorCode& error) {
      auto self = weak.lock();
      // A deadline replaced after it had already expired reports nothing.
      if (error || !self || !self->open_ || generation != self->deadline_generation_) return;
      self->timed_out_ = true;
      ErrorCode ignored;
      self->socket_.cancel(ignored);
    });
  }

  void DisarmDeadline() {
    ++deadline_generation_;
    deadline_.cancel();
  }

  void ReadRequest() {
    if (!open_) return;
    parser_.emplace();
    parser_->header_limit(kMaxRequestHeaderBytes);
    parser_->body_limit(kMaxRequestBodyBytes);
    ArmDeadline(kRequestTimeout);
    http::async_read(
        socket_, buffer_, *parser_,
        [self = shared_from_this()](const ErrorCode& error, size_t) { self->OnRead(error); });
  }

  void OnRead(const ErrorCode& error) {
    DisarmDeadline();
    if (!open_) return;
    if (timed_out_) {
      // A request begun but not finished in time gets its answer; an idle
      // connection is simply closed.
      if (parser_->got_some()) {
        SendError(http::status::request_timeout, "Request took too long");
      } else {
        Close();
      }
      return;
    }
    if (error == http::error::end_of_stream || error == boost::asio::error::eof ||
        error == boost::asio::error::connection_reset) {
      Close();
      return;
    }
    if (error == http::error::header_limit) {
      SendError(http::status::request_header_fields_too_large, "Request header too large");
      return;
    }
    if (error == http::error::body_limit) {
      SendError(http::status::payload_too_large, "Request body too large");
      return;
    }
    if (error) {
      if (parser_->got_some()) {
        SendError(http::status::bad_request, "Bad request");
      } else {
        Close();
      }
      return;
    }
    HttpRequest request = parser_->release();
    if (server_->handler_ == nullptr) {
      Close();
      return;
    }
    HttpReply reply;
    try {
      reply = server_->handler_->Handle(request, peer_address_);
    } catch (const std::exception&) {
      reply =
          HttpReply{TextResponse(http::status::internal_server_error, "Internal error"), {}, {}};
    }
    head_only_ = request.method() == http::verb::head;
    keep_alive_ = request.keep_alive() && !reply.stream;
    if (reply.not_before && *reply.not_before > std::chrono::steady_clock::now()) {
      // Held back: nothing more is read meanwhile.
      auto held = std::make_shared<HttpReply>(std::move(reply));
      hold_.expires_at(*held->not_before);
      hold_.async_wait([self = shared_from_this(), held](const ErrorCode& e) {
        if (e || !self->open_) return;
        self->Answer(std::move(*held));
      });
      return;
    }
    Answer(std::move(reply));
  }

  void Answer(HttpReply reply) {
    if (reply.stream) {
      stream_start_ = std::move(reply.stream);
      StartStream();
      return;
    }
    response_ = std::make_unique<HttpResponse>(std::move(reply.response));
    response_->keep_alive(keep_alive_);
    response_->prepare_payload();
    if (head_only_) {
      const auto length = response_->body().size();
      response_->body().clear();
      response_->content_length(length);
    }
    WriteResponse();
  }

  void WriteResponse() {
    ArmDeadline(kWriteTimeout);
    http::async_write(socket_, *response_,
                      [self = shared_from_this()](const ErrorCode& error, size_t) {
                        self->DisarmDeadline();
                        if (!self->open_) return;
                        if (error || self->timed_out_) {
                          self->Close();
                        } else if (self->closing_) {
                          self->Linger();
                        } else if (self->keep_alive_) {
                          self->ReadRequest();
                        } else {
                          self->Linger();
                        }
                      });
  }

  // An answer after which the connection closes: the request could not be
  // read, or the connection was refused.
  void SendError(http::status status, std::string_view text) {
    closing_ = true;
    keep_alive_ = false;
    response_ = std::make_unique<HttpResponse>(TextResponse(status, text));
    if (status == http::status::too_many_requests) response_->set(http::field::retry_after, "1");
    response_->keep_alive(false);
    response_->prepare_payload();
    WriteResponse();
  }

  // Ends the sending side and reads what the client still sends until it
  // closes or kLingerTime passes, so that it reads the answer first.
  void Linger() {
    ErrorCode ignored;
    socket_.shutdown(tcp::socket::shutdown_send, ignored);
    ArmDeadline(kLingerTime);
    Discard();
  }

  void Discard() {
    socket_.async_read_some(boost::asio::buffer(discard_),
                            [self = shared_from_this()](const ErrorCode& error, size_t) {
                              if (!self->open_) return;
                              if (error) {
                                self->Close();
                              } else {
                                self->Discard();
                              }
                            });
  }

  void StartStream() {
    streaming_ = true;
    stream_unsent_ = 0;
    stream_queue_.push_back(std::make_shared<const std::string>(kStreamHead));
    stream_unsent_ += kStreamHead.size();
    WriteStreamFront();
    // Nothing more is expected from the client; a read that ends tells that
    // it went away.
    Discard();
    if (server_->handler_ != nullptr) stream_start_(shared_from_this());
  }

  void WriteStreamFront() {
    ArmDeadline(kWriteTimeout);
    boost::asio::async_write(socket_, boost::asio::buffer(*stream_queue_.front()),
                             [self = shared_from_this()](const ErrorCode& error, size_t) {
                               if (!self->open_) return;
                               if (error || self->timed_out_) {
                                 self->Close();
                                 return;
                               }
                               self->stream_unsent_ -= self->stream_queue_.front()->size();
                               self->stream_queue_.pop_front();
                               if (self->stream_queue_.empty()) {
                                 self->DisarmDeadline();
                               } else {
                                 self->WriteStreamFront();
                               }
                             });
  }

  tcp::socket socket_;
  std::shared_ptr<HttpServer> server_;
  const bool counted_;
  std::string peer_address_;
  boost::beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  boost::asio::steady_timer deadline_;
  boost::asio::steady_timer hold_;
  std::unique_ptr<HttpResponse> response_;
  std::function<void(std::shared_ptr<EventSink>)> stream_start_;
  std::deque<std::shared_ptr<const std::string>> stream_queue_;
  size_t stream_unsent_ = 0;
  std::array<char, 1024> discard_;
  uint64_t deadline_generation_ = 0;
  bool open_ = true;
  bool timed_out_ = false;
  bool keep_alive_ = false;
  bool head_only_ = false;
  bool closing_ = false;
  bool streaming_ = false;
};

HttpServer::HttpServer(boost::asio::io_context& io, HttpHandler& handler)
    : io_(io), handler_(&handler), acceptor_(io), accept_retry_(io) {}

bool HttpServer::Listen(const std::string& address, int port, std::string& error) {
  ErrorCode ec;
  const boost::asio::ip::address ip = boost::asio::ip::make_address(address, ec);
  if (ec) {
    error = "'" + address + "' is not an IP address";
    return false;
  }
  const tcp::endpoint endpoint(ip, static_cast<unsigned short>(port));
  acceptor_.open(endpoint.protocol(), ec);
  if (!ec) acceptor_.set_option(tcp::acceptor::reuse_address(true), ec);
  if (!ec) acceptor_.bind(endpoint, ec);
  if (!ec) acceptor_.listen(boost::asio::socket_base::max_listen_connections, ec);
  if (ec) {
    error = ec.message();
    ErrorCode ignored;
    acceptor_.close(ignored);
    return false;
  }
  Accept();
  return true;
}

void HttpServer::Accept() {
  acceptor_.async_accept([self = shared_from_this()](const ErrorCode& error, tcp::socket socket) {
    if (error == boost::asio::error::operation_aborted || self->handler_ == nullptr) return;
    if (error) {
      self->accept_retry_.expires_after(kAcceptRetry);
      self->accept_retry_.async_wait([self](const ErrorCode& e) {
        if (!e && self->handler_ != nullptr) self->Accept();
      });
      return;
    }
    if (self->connections_.size() < kMaxConsoleConnections) {
      std::make_shared<HttpConnection>(std::move(socket), self, true)->Start();
    } else if (self->rejecting_ < kMaxConsoleConnections) {
      std::make_shared<HttpConnection>(std::move(socket), self, false)->Reject();
    }
    // Beyond both limits the socket closes here without an answer.
    self->Accept();
  });
}

void HttpServer::Stop() {
  handler_ = nullptr;
  ErrorCode ignored;
  acceptor_.close(ignored);
  accept_retry_.cancel();
  const std::vector<HttpConnection*> open(connections_.begin(), connections_.end());
  for (HttpConnection* connection : open) connection->Close();
}

}  // namespace orlund
