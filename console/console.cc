#include "console/console.h"

#include <unistd.h>

#include <boost/asio/ip/address.hpp>
#include <optional>
#include <utility>

#include "base/clock.h"
#include "base/cp1252.h"
#include "base/text_case.h"
#include "console/assets.h"
#include "console/http_util.h"
#include "console/json_writer.h"
#include "console/live_views.h"
#include "console/page_layout.h"
#include "console/table_views.h"
#include "protocol/table_slots.h"
#include "protocol/user_login.h"

namespace orlund {

namespace {

// Lines each live page can catch up on: as many as the packet list holds.
constexpr size_t kFeedLines = kPacketListCapacity;
// Pages that show changing numbers are fetched again this often (seconds).
constexpr std::string_view kRefreshingMain = "data-refresh=\"5\"";

constexpr std::string_view kContentSecurityPolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
    "connect-src 'self'; form-action 'self'; frame-ancestors 'none'; base-uri 'none'";

HttpReply Reply(HttpResponse response) { return HttpReply{std::move(response), {}, {}}; }

HttpReply TextReply(http::status status, std::string_view text) {
  return Reply(TextResponse(status, text));
}

HttpReply JsonReply(std::string json, http::status status = http::status::ok) {
  HttpResponse response(status, 11);
  SetCommonHeaders(response);
  response.set(http::field::content_type, "application/json; charset=utf-8");
  response.body() = std::move(json);
  response.body() += "\n";
  return Reply(std::move(response));
}

HttpReply JsonError(http::status status, std::string_view message) {
  JsonWriter json;
  json.BeginObject().Member("error", message).EndObject();
  HttpReply reply = JsonReply(json.Take(), status);
  if (status == http::status::unauthorized) {
    reply.response.set(http::field::www_authenticate, "Cookie realm=\"console\"");
  }
  return reply;
}

HttpReply Redirect(std::string_view location) {
  HttpResponse response(http::status::see_other, 11);
  SetCommonHeaders(response);
  response.set(http::field::location, location);
  response.set(http::field::content_type, "text/plain; charset=utf-8");
  response.body() = "See " + std::string(location) + "\n";
  return Reply(std::move(response));
}

HttpReply MethodNotAllowed(std::string_view allow) {
  HttpReply reply = TextReply(http::status::method_not_allowed, "Method not allowed");
  reply.response.set(http::field::allow, allow);
  return reply;
}

bool IsGet(const HttpRequest& request) {
  return request.method() == http::verb::get || request.method() == http::verb::head;
}

// The host part of a Host header: without the port, brackets kept.
std::string_view HostName(std::string_view host) {
  if (host.starts_with('[')) {
    const size_t end = host.find(']');
    return end == std::string_view::npos ? host : host.substr(0, end + 1);
  }
  return host.substr(0, host.find(':'));
}

// Only names that cannot be another site's: an IP address, localhost and
// this machine's own name. A page of a foreign name that resolves to the
// console's address (DNS rebinding) gets nothing.
bool HostAllowed(std::string_view host) {
  if (host.empty()) return true;
  const std::string_view name = HostName(host);
  if (name.starts_with('[')) return true;
  boost::system::error_code ec;
  boost::asio::ip::make_address_v4(std::string(name), ec);
  if (!ec) return true;
  if (EqualsIgnoreCase1252(name, "localhost")) return true;
  char own[256] = {};
  if (::gethostname(own, sizeof own - 1) == 0 && EqualsIgnoreCase1252(name, own)) return true;
  return false;
}

// A text from the browser (a password typed into the login page, a profile
// name chosen in a form: UTF-8) in the code page of the data files; bytes
// that are no UTF-8 are taken as they are (a link's Windows-1252 name).
std::string TextFromBrowser(const std::string& typed) {
  if (!IsValidUtf8(typed)) return typed;
  return Utf8ToCp1252(typed).value_or(typed);
}

std::string LoginHtml(std::string_view message) {
  std::string html =
      "<form class=\"login\" method=\"post\" action=\"/login\">\n<h1>Console login</h1>\n";
  if (!message.empty()) html += "<p class=\"error\" id=\"login-error\">" + Html(message) + "</p>\n";
  html +=
      "<label>Password <input type=\"password\" name=\"password\" id=\"password\" "
      "autocomplete=\"current-password\" autofocus></label>\n"
      "<button type=\"submit\" id=\"login\">Log in</button>\n"
      "<p class=\"notice\">The password of a user of the server's user file.</p>\n</form>";
  return html;
}

uint64_t ParseId(std::string_view text) {
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9' || value > (UINT64_MAX - 9) / 10) return 0;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value;
}

}  // namespace

struct Console::Viewer {
  // The session looking, or nothing when a login is needed and missing.
  std::optional<ConsoleSession> session;
  // Made by this request: the answer sets the cookie.
  bool new_session = false;
};

Console::Console(boost::asio::io_context& io, ServerState& state, ConsoleHooks hooks)
    : io_(io),
      state_(state),
      hooks_(std::move(hooks)),
      packets_(io, kFeedLines),
      server_log_(io, kFeedLines),
      server_(std::make_shared<HttpServer>(io, *this)) {
  for (const std::string& line : state_.List_Packets.lines()) packets_.Publish(line);
  state_.List_Packets.SetListener([this](const std::string& line) { packets_.Publish(line); });
}

Console::~Console() {
  state_.List_Packets.SetListener({});
  server_->Stop();
}

bool Console::Listen(std::string& error) {
  return server_->Listen(state_.settings.ActiveXConsoleAddress, state_.settings.ActiveXConsolePort,
                         error);
}

std::string Console::Url() const {
  const std::string& address = state_.settings.ActiveXConsoleAddress;
  const bool v6 = address.find(':') != std::string::npos;
  return "http://" + (v6 ? "[" + address + "]" : address) + ":" +
         std::to_string(state_.settings.ActiveXConsolePort) + "/";
}

void Console::OnServerLogEntry(const std::string& entry) { server_log_.Publish(entry); }

ConsoleNow Console::Now() const { return {state_.clock.steady_now(), state_.clock.local_now()}; }

std::string Console::CookieName() const {
  // One per port, so that two servers on one machine keep their sessions apart.
  return "orlund_console_" + std::to_string(state_.settings.ActiveXConsolePort);
}

bool Console::LoginNeeded() {
  if (!state_.settings.RequireActiveXLogin) return false;
  // The user file decides whether there is anybody to log in as; it is read
  // afresh, as for every protocol login.
  LoadUsers(state_.ProjectDirectory, state_.users, state_.log, state_.texts);
  return state_.users.UserCount > 0;
}

Console::Viewer Console::Identify(const HttpRequest& request, bool may_start_session,
                                  const ConsoleNow& now) {
  Viewer viewer;
  std::optional<bool> login_needed;
  auto needed = [&] {
    if (!login_needed) login_needed = LoginNeeded();
    return *login_needed;
  };
  if (const auto token = CookieValue(request[http::field::cookie], CookieName())) {
    if (const ConsoleSession* found = sessions_.Find(*token, now.steady)) {
      // A session of an open console is worth nothing once a login is needed.
      if (!found->without_login || !needed()) {
        viewer.session = *found;
        return viewer;
      }
      sessions_.Remove(*token);
    }
  }
  if (needed()) return viewer;
  if (may_start_session) {
    viewer.session = sessions_.Create("", kFullLevel, true, now.steady);
    viewer.new_session = true;
  } else {
    // An open console asked by a script: nothing to remember.
    ConsoleSession open;
    open.level = kFullLevel;
    open.without_login = true;
    viewer.session = open;
  }
  return viewer;
}

HttpReply Console::ViewerReply(const Viewer& viewer, HttpReply reply) {
  if (viewer.new_session) {
    reply.response.set(http::field::set_cookie, CookieName() + "=" + viewer.session->token +
                                                    "; HttpOnly; SameSite=Strict; Path=/");
  }
  return reply;
}

HttpReply Console::Page(const Viewer& viewer, std::string_view title, std::string_view path,
                        std::string main_html, std::string_view main_attributes) {
  HttpResponse response(http::status::ok, 11);
  SetCommonHeaders(response);
  response.set(http::field::content_type, "text/html; charset=utf-8");
  response.set("Content-Security-Policy", kContentSecurityPolicy);
  response.body() = PageDocument(title, path, &*viewer.session, main_html, main_attributes);
  return ViewerReply(viewer, Reply(std::move(response)));
}

HttpReply Console::LoginPage(http::status status, std::string_view message) {
  HttpResponse response(status, 11);
  SetCommonHeaders(response);
  response.set(http::field::content_type, "text/html; charset=utf-8");
  response.set("Content-Security-Policy", kContentSecurityPolicy);
  response.body() = PageDocument("Login", "/login", nullptr, LoginHtml(message));
  return Reply(std::move(response));
}

HttpReply Console::Login(const HttpRequest& request, const std::string& peer_address,
                         const ConsoleNow& now) {
  const auto fields = ParseFormFields(request.body());
  const auto typed = fields.find("password");
  const std::string password =
      typed == fields.end() ? std::string() : TextFromBrowser(typed->second);
  LoadUsers(state_.ProjectDirectory, state_.users, state_.log, state_.texts);
  const UserLogin login =
      CheckUserLogin(state_.users, state_.settings.RequireActiveXLogin, password);
  if (!login.required) {
    Viewer viewer;
    viewer.session = sessions_.Create("", kFullLevel, true, now.steady);
    viewer.new_session = true;
    return ViewerReply(viewer, Redirect("/"));
  }
  if (!login.matched) {
    ++state_.metrics.logins_failed_console;
    HttpReply reply = LoginPage(http::status::forbidden, "Wrong password.");
    reply.not_before = state_.login_throttle.Failed(peer_address, now.steady);
    return reply;
  }
  const auto answer_at = state_.login_throttle.Succeeded(peer_address, now.steady);
  if (login.level <= 0) {
    HttpReply reply =
        LoginPage(http::status::forbidden,
                  "User level " + std::to_string(login.level) + " may not use the console.");
    reply.not_before = answer_at;
    return reply;
  }
  Viewer viewer;
  viewer.session = sessions_.Create(login.name, login.level, false, now.steady);
  viewer.new_session = true;
  HttpReply reply = ViewerReply(viewer, Redirect("/"));
  reply.not_before = answer_at;
  return reply;
}

bool Console::ChangeAllowed(const HttpRequest& request, const Viewer& viewer) const {
  const auto origin = request.find(http::field::origin);
  if (origin != request.end()) {
    const std::string expected = "http://" + std::string(request[http::field::host]);
    if (!EqualsIgnoreCase1252(origin->value(), expected)) return false;
  }
  std::string token(request["X-Form-Token"]);
  if (token.empty()) {
    const auto fields = ParseFormFields(request.body());
    const auto found = fields.find("form_token");
    if (found != fields.end()) token = found->second;
  }
  return !viewer.session->form_token.empty() &&
         ConstantTimeEquals(token, viewer.session->form_token);
}

HttpReply Console::Logout(const HttpRequest& request, const Viewer& viewer) {
  if (!ChangeAllowed(request, viewer)) {
    return TextReply(http::status::forbidden, "The form has expired; reload the page");
  }
  sessions_.Remove(viewer.session->token);
  HttpReply reply = Redirect("/login");
  reply.response.set(http::field::set_cookie,
                     CookieName() + "=; HttpOnly; SameSite=Strict; Path=/; Max-Age=0");
  return reply;
}

HttpReply Console::TrafficFile(const HttpRequest& request, const Viewer& viewer, bool page) {
  if (!ChangeAllowed(request, viewer)) {
    return page ? TextReply(http::status::forbidden, "The form has expired; reload the page")
                : JsonError(http::status::forbidden, "missing or wrong form token, or origin");
  }
  if (viewer.session->level < kFullLevel) {
    const std::string why = "switching the traffic file needs level " + std::to_string(kFullLevel);
    return page ? TextReply(http::status::forbidden, why) : JsonError(http::status::forbidden, why);
  }
  const auto fields = ParseFormFields(request.body());
  const auto on = fields.find("on");
  const bool wanted = on == fields.end() ? !state_.Menu_File_Continous_Debug : on->second == "1";
  if (wanted != state_.Menu_File_Continous_Debug) hooks_.toggle_traffic_file();
  if (page) return Redirect("/");
  JsonWriter json;
  json.BeginObject().Member("on", state_.Menu_File_Continous_Debug).EndObject();
  return JsonReply(json.Take());
}

HttpReply Console::Stream(LiveFeed& feed, const HttpRequest& request, const std::string& query) {
  uint64_t after = feed.last_id();
  const auto last_event = request.find("Last-Event-ID");
  if (last_event != request.end()) {
    after = ParseId(last_event->value());
  } else {
    const auto fields = ParseFormFields(query);
    const auto found = fields.find("after");
    if (found != fields.end()) after = ParseId(found->second);
  }
  HttpReply reply;
  reply.stream = [&feed, after](std::shared_ptr<EventSink> sink) {
    feed.Follow(std::move(sink), after);
  };
  return reply;
}

HttpReply Console::Handle(const HttpRequest& request, const std::string& peer_address) {
  const auto target = ParseTarget(request.target());
  if (!target) return TextReply(http::status::bad_request, "Bad request path");
  if (!HostAllowed(request[http::field::host])) {
    return TextReply(http::status::bad_request, "Unknown host name");
  }
  const std::string& path = target->path;
  const ConsoleNow now = Now();
  const bool get = IsGet(request);
  const bool post = request.method() == http::verb::post;

  // Open to everyone who reaches the console.
  if (path == "/healthz") {
    if (!get) return MethodNotAllowed("GET, HEAD");
    const std::string problem = HealthProblem(state_, now);
    return problem.empty() ? TextReply(http::status::ok, "ok")
                           : TextReply(http::status::service_unavailable, problem);
  }
  if (path == "/assets/console.css" || path == "/assets/console.js") {
    if (!get) return MethodNotAllowed("GET, HEAD");
    const bool css = path.ends_with(".css");
    HttpResponse response(http::status::ok, 11);
    SetCommonHeaders(response);
    response.set(http::field::content_type,
                 css ? "text/css; charset=utf-8" : "text/javascript; charset=utf-8");
    response.body() = std::string(css ? kConsoleCss : kConsoleJs);
    return Reply(std::move(response));
  }
  if (path == "/login") {
    if (post) return Login(request, peer_address, now);
    if (!get) return MethodNotAllowed("GET, HEAD, POST");
    const Viewer viewer = Identify(request, false, now);
    if (viewer.session) return Redirect("/");
    return LoginPage(http::status::ok, "");
  }

  // Everything else: which page, and which methods it takes. /api/NAME is
  // the JSON of page /NAME; the overview's is /api/overview.
  const bool api = path.starts_with("/api/");
  std::string_view page = path;
  if (api) {
    page = std::string_view(path).substr(4);
    if (page == "/overview")
      page = "/";
    else if (page == "/")
      page = {};
  }
  static constexpr std::string_view kPages[] = {"/",         "/clients",   "/packets",
                                                "/log",      "/receivers", "/receiver-types",
                                                "/profiles", "/calendar"};
  bool known_get = page.starts_with("/profiles/") && page.size() > 10;
  for (std::string_view p : kPages) known_get = known_get || page == p;
  known_get = known_get || path == "/metrics" || path == "/events/packets" || path == "/events/log";
  const bool known_post =
      path == "/logout" || path == "/traffic-file" || path == "/api/traffic-file";
  if (!known_get && !known_post) {
    return api ? JsonError(http::status::not_found, "no such page")
               : TextReply(http::status::not_found, "Not found");
  }
  if (known_get && !get) return MethodNotAllowed("GET, HEAD");
  if (known_post && !post) return MethodNotAllowed("POST");

  const bool stream = path.starts_with("/events/");
  const bool html_page = !api && !stream && known_get && path != "/metrics";
  if (path == "/metrics" && state_.settings.ActiveXConsoleMetricsOpen) return Metrics(now);
  // Pages, and the overview's JSON that hands scripts their form token, start
  // a session of an open console; other requests of scripts leave no trace.
  const Viewer viewer = Identify(request, html_page || path == "/api/overview", now);
  if (!viewer.session || viewer.session->level <= 0) {
    if (html_page || path == "/logout") return Redirect("/login");
    if (path == "/metrics") {
      HttpReply reply = TextReply(http::status::unauthorized, "Login required");
      reply.response.set(http::field::www_authenticate, "Cookie realm=\"console\"");
      return reply;
    }
    return JsonError(http::status::unauthorized, "login required");
  }
  if (path == "/logout") return Logout(request, viewer);
  if (path == "/traffic-file") return TrafficFile(request, viewer, true);
  if (path == "/api/traffic-file") return TrafficFile(request, viewer, false);
  if (path == "/metrics") return Metrics(now);
  if (stream) {
    if (request.method() == http::verb::head) return TextReply(http::status::ok, "");
    return Stream(path == "/events/packets" ? packets_ : server_log_, request, target->query);
  }
  return Show(viewer, page, api, target->query, now);
}

HttpReply Console::Metrics(const ConsoleNow& now) {
  HttpReply reply = TextReply(http::status::ok, "");
  reply.response.set(http::field::content_type, "text/plain; version=0.0.4; charset=utf-8");
  reply.response.body() = MetricsText(state_, now);
  return reply;
}

HttpReply Console::Show(const Viewer& viewer, std::string_view page, bool api,
                        const std::string& query, const ConsoleNow& now) {
  if (page == "/") {
    const OverviewFacts facts = CollectOverview(state_, now);
    if (api) return JsonReply(OverviewJson(facts, *viewer.session));
    return Page(viewer, "Overview", "/", OverviewHtml(facts, *viewer.session), kRefreshingMain);
  }
  if (page == "/clients") {
    const auto clients = CollectClients(state_, now);
    if (api) return JsonReply(ClientsJson(clients));
    return Page(viewer, "Clients", page, ClientsHtml(clients), kRefreshingMain);
  }
  if (page == "/packets") {
    if (api) return JsonReply(PacketsJson(packets_));
    return Page(viewer, "Packets", page, PacketsHtml(packets_));
  }
  if (page == "/log") {
    const std::string file = hooks_.server_log_path(now.local);
    const auto lines = ReadServerLogTail(file);
    if (api) return JsonReply(ServerLogJson(file, lines, server_log_.last_id()));
    return Page(viewer, "Server log", page, ServerLogHtml(file, lines, server_log_.last_id()));
  }
  if (page == "/receivers") {
    if (api) return JsonReply(ReceiversJson(state_));
    return Page(viewer, "Receivers", page, ReceiversHtml(state_));
  }
  if (page == "/receiver-types") {
    if (api) return JsonReply(ReceiverTypesJson(state_));
    return Page(viewer, "Receiver types", page, ReceiverTypesHtml(state_));
  }
  const ProfileTable& profiles = state_.data.profiles;
  if (page == "/profiles") {
    if (api) return JsonReply(ProfilesJson(state_));
    return Page(viewer, "Profiles", page, ProfilesHtml(state_));
  }
  if (page.starts_with("/profiles/")) {
    const std::string name(page.substr(10));
    int slot = FindSlotByName(profiles.Profiles, profiles.ProfileCount, name);
    if (slot < 0) {
      slot = FindSlotByName(profiles.Profiles, profiles.ProfileCount, TextFromBrowser(name));
    }
    if (slot < 0) {
      return api ? JsonError(http::status::not_found, "no such profile")
                 : TextReply(http::status::not_found, "No such profile");
    }
    if (api) return JsonReply(ProfileJson(state_, slot));
    return Page(viewer, profiles.Profiles[static_cast<size_t>(slot)].Name, "/profiles",
                ProfileHtml(state_, slot));
  }
  // The calendar.
  const auto fields = ParseFormFields(query);
  CalendarMonth month = ThisMonth();
  if (const auto found = fields.find("month"); found != fields.end() && !found->second.empty()) {
    const auto parsed = ParseCalendarMonth(found->second);
    if (!parsed) {
      const char* why = "the calendar holds January 2000 to December 2039 (month=YYYY-MM)";
      return api ? JsonError(http::status::not_found, why)
                 : TextReply(http::status::not_found, why);
    }
    month = *parsed;
  }
  if (api) return JsonReply(CalendarJson(state_, month));
  int profile_slot = -1;
  if (const auto found = fields.find("profile"); found != fields.end() && !found->second.empty()) {
    profile_slot =
        FindSlotByName(profiles.Profiles, profiles.ProfileCount, TextFromBrowser(found->second));
  }
  return Page(viewer, "Calendar", page, CalendarHtml(state_, month, profile_slot));
}

}  // namespace orlund
