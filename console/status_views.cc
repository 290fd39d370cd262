#include "console/status_views.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/clock.h"
#include "base/version.h"
#include "console/json_writer.h"
#include "console/page_layout.h"
#include "protocol/catalogue.h"
#include "protocol/traffic_log.h"

namespace orlund {

namespace {

constexpr std::array<DataTable, kDataTableCount> kTables = {DataTable::kReceivers,
                                                            DataTable::kProfiles};
// The timer ticks every second; this long without a tick is a stall.
constexpr std::chrono::seconds kStallLimit{5};

// Shortest text of a number, as the metrics give their values: "0.005", "1".
std::string NumberText(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

int64_t Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration_cast<std::chrono::seconds>(d).count();
}

// "35 s", "12 min 05 s", "3 h 07 min", "2 d 04 h".
std::string DurationText(int64_t seconds) {
  auto two = [](int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); };
  if (seconds < 60) return std::to_string(seconds) + " s";
  if (seconds < 3600) return std::to_string(seconds / 60) + " min " + two(seconds % 60) + " s";
  if (seconds < 86400) {
    return std::to_string(seconds / 3600) + " h " + two(seconds / 60 % 60) + " min";
  }
  return std::to_string(seconds / 86400) + " d " + two(seconds / 3600 % 24) + " h";
}

std::string EventText(const TableEvent& event) {
  if (!event.happened) return "never";
  return FormatLogDateTime(event.when) + (event.ok ? ", ok" : ", failed");
}

void EventJson(JsonWriter& json, std::string_view key, const TableEvent& event) {
  json.Key(key);
  if (!event.happened) {
    json.Null();
    return;
  }
  json.BeginObject().Member("time", IsoLocalTime(event.when)).Member("ok", event.ok).EndObject();
}

std::string Row(std::string_view name, std::string_view value_html, std::string_view id = {}) {
  std::string row = "<tr><th scope=\"row\">" + std::string(name) + "</th><td";
  if (!id.empty()) row += " id=\"" + std::string(id) + "\"";
  return row + ">" + std::string(value_html) + "</td></tr>\n";
}

int64_t CountQueuedCommands(const std::string& directory) {
  std::error_code ec;
  std::filesystem::directory_iterator it(directory, ec);
  // The spool directory is made with the first command.
  if (ec == std::errc::no_such_file_or_directory) return 0;
  if (ec) return -1;
  int64_t count = 0;
  for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
    if (ec) return -1;
    if (it->path().extension() == ".cmd") ++count;
  }
  return count;
}

}  // namespace

std::string IsoLocalTime(const std::tm& when) {
  char text[32];
  return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &when));
}

OverviewFacts CollectOverview(const ServerState& state, const ConsoleNow& now) {
  OverviewFacts facts;
  facts.version = kProductVersion;
  facts.started_at = state.metrics.started_at;
  facts.uptime_seconds = Seconds(now.steady - state.metrics.started);
  facts.project_directory = state.ProjectDirectory;
  facts.listen_address = "0.0.0.0";
  facts.port = state.settings.ActiveXServerPort;
  for (const auto& member : state.ClientConnections) facts.clients += member->IsConnected();
  facts.client_limit = ServerState::kMaxClientConnections;
  facts.pending_saves = {static_cast<bool>(state.ReceiversChanged),
                         static_cast<bool>(state.ProfilesChanged)};
  facts.last_save = state.metrics.last_save;
  facts.last_reload = state.metrics.last_reload;
  const char* spool = std::getenv("ORLUND_COMMAND_QUEUE");
  facts.spool_directory = spool != nullptr ? spool : state.ProjectDirectory + "CommandQueue";
  facts.spool_waiting = CountQueuedCommands(facts.spool_directory);
  facts.traffic_file_on = state.Menu_File_Continous_Debug;
  facts.traffic_file =
      TrafficLogDirectory(state.ProjectDirectory) + "/" + TrafficFileName(now.local);
  std::error_code ec;
  const auto size = std::filesystem::file_size(facts.traffic_file, ec);
  facts.traffic_bytes = ec ? -1 : static_cast<int64_t>(size);
  return facts;
}

std::string OverviewHtml(const OverviewFacts& facts, const ConsoleSession& viewer) {
  std::string html = "<h1>Overview</h1>\n<table class=\"facts\">\n";
  html += Row("Version", Html(facts.version));
  html += Row("Started", FormatLogDateTime(facts.started_at) + " (up " +
                             DurationText(facts.uptime_seconds) + ")");
  html += Row("Project directory", "<code>" + Html(facts.project_directory) + "</code>");
  html += Row("Listening on", Html(facts.listen_address) + ":" + std::to_string(facts.port));
  html += Row("Clients",
              "<a href=\"/clients\">" + std::to_string(facts.clients) + "/" +
                  std::to_string(facts.client_limit) + "</a>",
              "clients");
  html += Row("Command spool",
              "<code>" + Html(facts.spool_directory) + "</code>, " +
                  (facts.spool_waiting < 0 ? std::string("not readable")
                                           : std::to_string(facts.spool_waiting) + " waiting"));
  std::string traffic =
      std::string("<span id=\"traffic-state\">") + (facts.traffic_file_on ? "on" : "off") +
      "</span>, <code>" + Html(facts.traffic_file) + "</code>" +
      (facts.traffic_bytes < 0 ? std::string(" (not there)")
                               : " (" + std::to_string(facts.traffic_bytes) + " bytes)");
  if (viewer.level >= kFullLevel) {
    traffic += " <form class=\"inline\" method=\"post\" action=\"/traffic-file\">" +
               FormTokenField(viewer) + "<input type=\"hidden\" name=\"on\" value=\"" +
               (facts.traffic_file_on ? "0" : "1") +
               "\"><button type=\"submit\" id=\"traffic-switch\">" +
               (facts.traffic_file_on ? "Switch off" : "Switch on") + "</button></form>";
  }
  html += Row("Traffic file", traffic);
  html +=
      "</table>\n<h2>Tables</h2>\n<table class=\"list\" id=\"tables\">\n<thead><tr>"
      "<th>Table</th><th>Pending save</th><th>Last save</th><th>Last reload</th></tr></thead>\n"
      "<tbody>\n";
  for (DataTable table : kTables) {
    const auto t = static_cast<size_t>(table);
    const std::string name = DataTableName(table);
    html += "<tr><td>" + name + "</td><td>" +
            (facts.pending_saves[t] ? "<strong>waiting for the next tick</strong>" : "none") +
            "</td><td id=\"last-save-" + name + "\"" +
            (facts.last_save[t].happened && !facts.last_save[t].ok ? " class=\"bad\"" : "") + ">" +
            EventText(facts.last_save[t]) + "</td><td>" + EventText(facts.last_reload[t]) +
            "</td></tr>\n";
  }
  return html + "</tbody>\n</table>\n";
}

std::string OverviewJson(const OverviewFacts& facts, const ConsoleSession& viewer) {
  JsonWriter json;
  json.BeginObject()
      .Key("viewer")
      .BeginObject()
      .Member("user", viewer.user_name)
      .Member("level", viewer.level)
      .Member("login_required", !viewer.without_login)
      .Member("form_token", viewer.form_token)
      .EndObject()
      .Member("version", facts.version)
      .Member("started", IsoLocalTime(facts.started_at))
      .Member("uptime_seconds", facts.uptime_seconds)
      .Member("project_directory", facts.project_directory)
      .Key("listening")
      .BeginObject()
      .Member("address", facts.listen_address)
      .Member("port", facts.port)
      .EndObject()
      .Key("clients")
      .BeginObject()
      .Member("connected", facts.clients)
      .Member("limit", facts.client_limit)
      .EndObject()
      .Key("tables")
      .BeginObject();
  for (DataTable table : kTables) {
    const auto t = static_cast<size_t>(table);
    json.Key(DataTableName(table)).BeginObject().Member("save_pending", facts.pending_saves[t]);
    EventJson(json, "last_save", facts.last_save[t]);
    EventJson(json, "last_reload", facts.last_reload[t]);
    json.EndObject();
  }
  json.EndObject().Key("command_spool").BeginObject().Member("directory", facts.spool_directory);
  json.Key("waiting");
  if (facts.spool_waiting < 0) {
    json.Null();
  } else {
    json.Int(facts.spool_waiting);
  }
  json.EndObject()
      .Key("traffic_file")
      .BeginObject()
      .Member("on", facts.traffic_file_on)
      .Member("path", facts.traffic_file)
      .Key("bytes");
  if (facts.traffic_bytes < 0) {
    json.Null();
  } else {
    json.Int(facts.traffic_bytes);
  }
  json.EndObject().EndObject();
  return json.Take();
}

std::vector<ClientFacts> CollectClients(const ServerState& state, const ConsoleNow& now) {
  std::vector<ClientFacts> clients;
  const auto wall_now = std::chrono::system_clock::now();
  for (const auto& member : state.ClientConnections) {
    ClientFacts c;
    c.address = member->PeerAddress();
    c.port = member->PeerPort();
    c.connected = member->IsConnected();
    c.user_name = member->GetUserName();
    c.level = member->GetUserLevel();
    c.area = member->m_Area;
    const auto connected_for = now.steady - member->ConnectedSince;
    c.connected_at = ToLocalTime(
        wall_now - std::chrono::duration_cast<std::chrono::system_clock::duration>(connected_for));
    c.connected_seconds = Seconds(connected_for);
    c.silent_seconds = Seconds(now.steady - member->m_NetworkLastPacketFromClientTimeStamp);
    c.unsent_bytes = member->objWinSock->UnsentBytes();
    clients.push_back(std::move(c));
  }
  return clients;
}

std::string ClientsHtml(const std::vector<ClientFacts>& clients) {
  std::string html = "<h1>Clients</h1>\n";
  if (clients.empty()) return html + "<p class=\"empty\">No client is connected.</p>\n";
  html +=
      "<table class=\"list\" id=\"clients\">\n<thead><tr><th>Client</th><th>User</th>"
      "<th>Level</th><th>Area</th><th>Connected since</th><th>Last packet</th>"
      "<th>Unsent bytes</th></tr></thead>\n<tbody>\n";
  for (const ClientFacts& c : clients) {
    html += "<tr><td><code>" + Html(PeerText(c.address, c.port)) + "</code>";
    if (!c.connected) html += " (closed)";
    html += "</td><td>" + (c.user_name.empty() ? std::string("-") : Html(c.user_name)) +
            "</td><td class=\"number\">" + std::to_string(c.level) + "</td><td>" + Html(c.area) +
            "</td><td>" + FormatLogDateTime(c.connected_at) + " (" +
            DurationText(c.connected_seconds) + ")</td><td>" + DurationText(c.silent_seconds) +
            " ago</td><td class=\"number\">" + std::to_string(c.unsent_bytes) + "</td></tr>\n";
  }
  return html + "</tbody>\n</table>\n";
}

std::string ClientsJson(const std::vector<ClientFacts>& clients) {
  JsonWriter json;
  json.BeginObject().Key("clients").BeginArray();
  for (const ClientFacts& c : clients) {
    json.BeginObject()
        .Member("address", c.address)
        .Member("port", c.port)
        .Member("connected", c.connected)
        .Member("user", c.user_name)
        .Member("level", c.level)
        .Member("area", c.area)
        .Member("connected_since", IsoLocalTime(c.connected_at))
        .Member("connected_seconds", c.connected_seconds)
        .Member("seconds_since_last_packet", c.silent_seconds)
        .Member("unsent_bytes", c.unsent_bytes)
        .EndObject();
  }
  json.EndArray().EndObject();
  return json.Take();
}

std::string MetricsText(const ServerState& state, const ConsoleNow& now) {
  const ServerMetrics& m = state.metrics;
  std::string text;
  auto family = [&](std::string_view name, std::string_view type, std::string_view help) {
    text += "# HELP " + std::string(name) + " " + std::string(help) + "\n# TYPE " +
            std::string(name) + " " + std::string(type) + "\n";
  };
  auto sample = [&](std::string_view name, std::string_view labels, auto value) {
    text += std::string(name);
    if (!labels.empty()) text += "{" + std::string(labels) + "}";
    text += " " + std::to_string(value) + "\n";
  };

  size_t connected = 0;
  for (const auto& member : state.ClientConnections) connected += member->IsConnected();
  family("orlund_clients_connected", "gauge", "Clients connected over the wire protocol.");
  sample("orlund_clients_connected", "", connected);

  family("orlund_requests_total", "counter", "Requests handled, by message type.");
  for (int type = 0; type < 256; ++type) {
    if (HandlerFor(type) == nullptr) continue;
    sample("orlund_requests_total", "type=\"" + MessageName(type) + "\"",
           m.requests[static_cast<size_t>(type)]);
  }
  family("orlund_bytes_received_total", "counter", "Bytes received from clients.");
  sample("orlund_bytes_received_total", "", m.bytes_received);
  family("orlund_bytes_sent_total", "counter", "Bytes sent to clients.");
  sample("orlund_bytes_sent_total", "", m.bytes_sent);

  family("orlund_saves_total", "counter", "Deferred saves of a table, by result.");
  for (DataTable table : kTables) {
    const auto t = static_cast<size_t>(table);
    const std::string label = "table=\"" + std::string(DataTableName(table)) + "\",result=";
    sample("orlund_saves_total", label + "\"ok\"", m.saves[t][1]);
    sample("orlund_saves_total", label + "\"failed\"", m.saves[t][0]);
  }
  family("orlund_save_duration_seconds", "histogram", "Time a deferred save took.");
  uint64_t cumulative = 0;
  for (size_t b = 0; b < m.save_duration_buckets.size(); ++b) {
    cumulative += m.save_duration_buckets[b];
    const std::string bound =
        b < kSaveDurationBounds.size() ? NumberText(kSaveDurationBounds[b]) : "+Inf";
    sample("orlund_save_duration_seconds_bucket", "le=\"" + bound + "\"", cumulative);
  }
  text += "orlund_save_duration_seconds_sum " + NumberText(m.save_duration_sum) + "\n";
  sample("orlund_save_duration_seconds_count", "", cumulative);

  family("orlund_reloads_total", "counter", "Tables reloaded after another program changed them.");
  for (DataTable table : kTables) {
    sample("orlund_reloads_total", "table=\"" + std::string(DataTableName(table)) + "\"",
           m.reloads[static_cast<size_t>(table)]);
  }
  family("orlund_connections_refused_total", "counter", "Connections refused, by reason.");
  sample("orlund_connections_refused_total", "reason=\"not_allowed\"", m.refused_not_allowed);
  sample("orlund_connections_refused_total", "reason=\"too_many_clients\"", m.refused_too_many);
  family("orlund_logins_failed_total", "counter",
         "Failed logins, over the wire protocol and at the console.");
  sample("orlund_logins_failed_total", "via=\"protocol\"", m.logins_failed_protocol);
  sample("orlund_logins_failed_total", "via=\"console\"", m.logins_failed_console);
  family("orlund_uptime_seconds", "gauge", "Seconds since the server started.");
  sample("orlund_uptime_seconds", "", Seconds(now.steady - m.started));
  return text;
}

std::string HealthProblem(const ServerState& state, const ConsoleNow& now) {
  const auto since_tick = now.steady - state.metrics.last_tick;
  if (since_tick > kStallLimit) {
    return "event loop stalled: no timer tick for " + std::to_string(Seconds(since_tick)) + " s";
  }
  for (DataTable table : kTables) {
    const TableEvent& save = state.metrics.last_save[static_cast<size_t>(table)];
    if (save.happened && !save.ok) {
      return std::string("saving the ") + DataTableName(table) + " failed at " +
             FormatLogDateTime(save.when);
    }
  }
  return {};
}

}  // namespace orlund
