#pragma once
// The console's live pages: the packet list and today's server log, each
// drawn with the lines there are and then followed through an event stream.

#include <string>
#include <vector>

#include "console/live_feed.h"
#include "protocol/server_state.h"

namespace orlund {

// The newest lines shown on the server log page at most.
inline constexpr size_t kServerLogPageLines = 1000;

// The packet list's lines, oldest first, then new lines from /events/packets
// after the newest of them; with filters by client and message name and a
// pause.
std::string PacketsHtml(const LiveFeed& packets);
std::string PacketsJson(const LiveFeed& packets);

// The last kServerLogPageLines lines of the server log file at `path`
// (lines of every program that writes it), oldest first; none when the file
// cannot be read.
std::vector<std::string> ReadServerLogTail(const std::string& path);

// The server log, newest line first, then new lines of this server from
// /events/log after `last_id`.
std::string ServerLogHtml(const std::string& path, const std::vector<std::string>& lines,
                          uint64_t last_id);
std::string ServerLogJson(const std::string& path, const std::vector<std::string>& lines,
                          uint64_t last_id);

}  // namespace orlund
