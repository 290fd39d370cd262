#pragma once
// The operator console: the server's live state in a browser, a JSON API
// under /api/, /metrics for monitoring and /healthz, served over HTTP on the
// server's own event loop. Off unless ActiveXConsolePort is set.
//
// Access: while RequireActiveXLogin is set and users exist, a page asks for
// a password, matched like a type 6 login; a session lives in a cookie and
// ends after 12 hours without a request. Viewing needs a level above 0, the
// traffic-file switch the full level 32767. Without a required login the
// console is open and everyone looks at level 32767. Every change is a POST
// that repeats the session's form token; /healthz is open to anyone who
// reaches the console, /metrics too when ActiveXConsoleMetricsOpen is 1.

#include <boost/asio/io_context.hpp>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "console/http_server.h"
#include "console/live_feed.h"
#include "console/sessions.h"
#include "console/status_views.h"
#include "protocol/server_state.h"

namespace orlund {

// What the console asks of the server it is part of.
struct ConsoleHooks {
  // Switches the traffic file, exactly as SIGUSR1 does.
  std::function<void()> toggle_traffic_file;
  // The server log file of the day of a local time.
  std::function<std::string(const std::tm&)> server_log_path;
};

class Console : public HttpHandler {
 public:
  // `state` must outlive the console; the console must be destroyed before
  // `io`. It follows the packet list from construction on.
  Console(boost::asio::io_context& io, ServerState& state, ConsoleHooks hooks);
  ~Console() override;
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // Listens on ActiveXConsoleAddress:ActiveXConsolePort. False, with the
  // reason in `error`, when that cannot be done.
  bool Listen(std::string& error);
  // "http://address:port/".
  std::string Url() const;

  // An entry of the server log, as written; the live server log page shows it.
  void OnServerLogEntry(const std::string& entry);

  HttpReply Handle(const HttpRequest& request, const std::string& peer_address) override;

 private:
  struct Viewer;

  ConsoleNow Now() const;
  bool LoginNeeded();
  Viewer Identify(const HttpRequest& request, bool may_start_session, const ConsoleNow& now);
  HttpReply Login(const HttpRequest& request, const std::string& peer_address,
                  const ConsoleNow& now);
  HttpReply LoginPage(http::status status, std::string_view message);
  HttpReply Logout(const HttpRequest& request, const Viewer& viewer);
  HttpReply TrafficFile(const HttpRequest& request, const Viewer& viewer, bool page);
  HttpReply Page(const Viewer& viewer, std::string_view title, std::string_view path,
                 std::string main_html, std::string_view main_attributes = {});
  HttpReply ViewerReply(const Viewer& viewer, HttpReply reply);
  HttpReply Stream(LiveFeed& feed, const HttpRequest& request, const std::string& query);
  HttpReply Metrics(const ConsoleNow& now);
  // A page (or its JSON with `api`) that only shows.
  HttpReply Show(const Viewer& viewer, std::string_view page, bool api, const std::string& query,
                 const ConsoleNow& now);
  // True when a POST repeats the session's form token and, when it names
  // its origin, comes from the console's own.
  bool ChangeAllowed(const HttpRequest& request, const Viewer& viewer) const;
  std::string CookieName() const;

  boost::asio::io_context& io_;
  ServerState& state_;
  ConsoleHooks hooks_;
  ConsoleSessions sessions_;
  LiveFeed packets_;
  LiveFeed server_log_;
  std::shared_ptr<HttpServer> server_;
};

}  // namespace orlund
