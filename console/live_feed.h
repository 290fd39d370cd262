#pragma once
// A feed of text lines that console pages follow live as Server-Sent Events:
// the packet list and the server log. It keeps the newest lines, numbered,
// so that a page (or a browser reconnecting) continues after the last line
// it has; new lines go to every follower in batches, at most every
// kFlushInterval, so that a burst of packets costs one write per follower
// and nothing at all while nobody follows.

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

inline constexpr std::chrono::milliseconds kFlushInterval{100};
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
  // Sends `bytes` to every open follower and forgets the closed ones.
  void Deliver(const std::shared_ptr<const std::string>& bytes);

  boost::asio::steady_timer flush_timer_;
  boost::asio::steady_timer heartbeat_timer_;
  const size_t kept_lines_;
  std::deque<FeedLine> kept_;
  uint64_t next_id_ = 1;
  std::string pending_;
  bool flush_scheduled_ = false;
  bool heartbeat_running_ = false;
  std::vector<std::shared_ptr<EventSink>> followers_;
  // Cleared by the destructor, so that a timer's handler run later does nothing.
  std::shared_ptr<LiveFeed*> self_;
};

// One Server-Sent Event: "id: N", the line as UTF-8 in a "data:" field, and
// the blank line that ends the event. Line ends inside the text become blanks.
std::string FeedEvent(const FeedLine& line);

}  // namespace orlund
