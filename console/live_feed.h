#pragma once
// A feed of text lines that console pages follow live as Server-Sent Events:
// the packet list and the server log. It keeps the newest lines, numbered,
// so that a page (or a browser reconnecting) continues after the last line
// it has. New lines go to every follower in one event per kFlushInterval at
// most, holding the lines kept since the last one: a burst of packets costs
// one write per follower, and a burst larger than the kept lines is shown as
// its newest lines and a gap, as the packet list itself keeps only the
// newest. While nobody follows, publishing a line only keeps it.

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "console/http_server.h"

namespace orlund {

inline constexpr std::chrono::milliseconds kFlushInterval{250};
// Followers get a comment line this often when nothing else comes, so that a
// client gone away is noticed.
inline constexpr std::chrono::seconds kHeartbeatInterval{15};

struct FeedLine {
  uint64_t id = 0;
  std::string text;  // Windows-1252
};

class LiveFeed {
 public:
  LiveFeed(boost::asio::io_context& io, size_t kept_lines);
  ~LiveFeed();
  LiveFeed(const LiveFeed&) = delete;
  LiveFeed& operator=(const LiveFeed&) = delete;

  void Publish(std::string_view line);

  // Adds a follower. It first gets the kept lines numbered above `after`
  // (after an "event: gap" when lines it missed are no longer kept), then
  // every new line.
  void Follow(std::shared_ptr<EventSink> sink, uint64_t after);

  // The number of the newest line; 0 before the first.
  uint64_t last_id() const { return next_id_ - 1; }
  const std::deque<FeedLine>& kept() const { return kept_; }
  size_t followers() const { return followers_.size(); }

 private:
  void ScheduleFlush();
  void Flush();
  void Heartbeat();
  // The event of the kept lines numbered above `after`, after a gap event
  // when some of those are no longer kept; empty when there are none.
  std::string EventsAfter(uint64_t after) const;
  // Sends `bytes` to every open follower and forgets the closed ones.
  void Deliver(const std::shared_ptr<const std::string>& bytes);

  boost::asio::steady_timer flush_timer_;
  boost::asio::steady_timer heartbeat_timer_;
  const size_t kept_lines_;
  std::deque<FeedLine> kept_;
  uint64_t next_id_ = 1;
  // The newest line sent to the followers.
  uint64_t flushed_id_ = 0;
  bool flush_scheduled_ = false;
  bool heartbeat_running_ = false;
  std::vector<std::shared_ptr<EventSink>> followers_;
  // Cleared by the destructor, so that a timer's handler run later does nothing.
  std::shared_ptr<LiveFeed*> self_;
};

// One Server-Sent Event of lines: "id:" the newest line's number, then each
// line as UTF-8 in a "data:" field (a browser hands them over joined by line
// ends), then the blank line that ends the event. Line ends inside a text
// become blanks.
std::string LinesEvent(const std::deque<FeedLine>& kept, size_t first);

}  // namespace orlund
