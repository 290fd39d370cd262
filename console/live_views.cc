#include "console/live_views.h"

#include <fcntl.h>
#include <unistd.h>

#include "console/json_writer.h"
#include "console/page_layout.h"
#include "protocol/catalogue.h"

namespace orlund {

namespace {

// The server log is read from its end, this much at most.
constexpr off_t kServerLogTailBytes = 256 * 1024;

std::string NewestFirst(const std::vector<std::string>& lines) {
  std::string html;
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) html += "<li>" + Html(*it) + "</li>\n";
  return html;
}

std::string MessageNameOptions() {
  std::string html = "<datalist id=\"message-names\">";
  for (int type = 0; type < 256; ++type) {
    if (type == NETWORK_COMMON_KEEPALIVE) continue;
    const std::string name = MessageName(type);
    if (name.starts_with("UNKNOWN")) continue;
    html += "<option value=\"" + name + "\">";
  }
  return html + "</datalist>\n";
}

}  // namespace

std::string PacketsHtml(const LiveFeed& packets) {
  std::string html =
      "<h1>Packets</h1>\n<div class=\"toolbar\">"
      "<label>Client <input id=\"filter-client\" list=\"clients-seen\" placeholder=\"any\" "
      "autocomplete=\"off\"></label> "
      "<label>Message <input id=\"filter-message\" list=\"message-names\" placeholder=\"any\" "
      "autocomplete=\"off\"></label> "
      "<button type=\"button\" id=\"pause\">Pause</button> "
      "<span id=\"live-state\" class=\"live-state\">connecting</span></div>\n"
      "<datalist id=\"clients-seen\"></datalist>\n";
  html += MessageNameOptions();
  html += "<ol id=\"lines\" class=\"lines\" data-stream=\"/events/packets\" data-after=\"" +
          std::to_string(packets.last_id()) + "\" data-newest=\"last\">\n";
  for (const FeedLine& line : packets.kept()) html += "<li>" + Html(line.text) + "</li>\n";
  return html + "</ol>\n";
}

std::string PacketsJson(const LiveFeed& packets) {
  JsonWriter json;
  json.BeginObject().Member("last_id", packets.last_id()).Key("lines").BeginArray();
  for (const FeedLine& line : packets.kept()) json.String(line.text);
  json.EndArray().EndObject();
  return json.Take();
}

std::vector<std::string> ReadServerLogTail(const std::string& path) {
  std::vector<std::string> lines;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return lines;
  const off_t size = ::lseek(fd, 0, SEEK_END);
  const off_t start = size > kServerLogTailBytes ? size - kServerLogTailBytes : 0;
  std::string bytes(static_cast<size_t>(size > 0 ? size - start : 0), '\0');
  size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t n = ::pread(fd, bytes.data() + filled, bytes.size() - filled,
                              start + static_cast<off_t>(filled));
    if (n <= 0) break;
    filled += static_cast<size_t>(n);
  }
  ::close(fd);
  bytes.resize(filled);
  size_t pos = 0;
  // A read that starts inside the file starts inside a line: it is skipped.
  if (start > 0) {
    pos = bytes.find('\n');
    pos = pos == std::string::npos ? bytes.size() : pos + 1;
  }
  while (pos < bytes.size()) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    pos = end + 1;
  }
  if (lines.size() > kServerLogPageLines) {
    lines.erase(lines.begin(),
                lines.begin() + static_cast<std::ptrdiff_t>(lines.size() - kServerLogPageLines));
  }
  return lines;
}

std::string ServerLogHtml(const std::string& path, const std::vector<std::string>& lines,
                          uint64_t last_id) {
  std::string html = "<h1>Server log</h1>\n<p><code>" + Html(path) +
                     "</code>, newest line first.</p>\n<div class=\"toolbar\">"
                     "<label>Contains <input id=\"filter-text\" placeholder=\"any\" "
                     "autocomplete=\"off\"></label> "
                     "<button type=\"button\" id=\"pause\">Pause</button> "
                     "<span id=\"live-state\" class=\"live-state\">connecting</span></div>\n";
  if (lines.empty()) html += "<p class=\"empty\" id=\"no-lines\">No lines today yet.</p>\n";
  html += "<ol id=\"lines\" class=\"lines\" data-stream=\"/events/log\" data-after=\"" +
          std::to_string(last_id) + "\" data-newest=\"first\">\n";
  html += NewestFirst(lines);
  return html + "</ol>\n";
}

std::string ServerLogJson(const std::string& path, const std::vector<std::string>& lines,
                          uint64_t last_id) {
  JsonWriter json;
  json.BeginObject().Member("file", path).Member("last_id", last_id).Key("lines").BeginArray();
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) json.String(*it);
  json.EndArray().EndObject();
  return json.Take();
}

}  // namespace orlund
