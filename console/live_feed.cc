#include "console/live_feed.h"

#include <algorithm>

#include "base/cp1252.h"

namespace orlund {

std::string LinesEvent(const std::deque<FeedLine>& kept, size_t first) {
  std::string event = "id: " + std::to_string(kept.back().id) + "\n";
  for (size_t i = first; i < kept.size(); ++i) {
    std::string text = Cp1252ToUtf8(kept[i].text);
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    event += "data: " + text + "\n";
  }
  return event + "\n";
}

LiveFeed::LiveFeed(boost::asio::io_context& io, size_t kept_lines)
    : flush_timer_(io),
      heartbeat_timer_(io),
      kept_lines_(kept_lines),
      self_(std::make_shared<LiveFeed*>(this)) {}

LiveFeed::~LiveFeed() { *self_ = nullptr; }

void LiveFeed::Publish(std::string_view line) {
  kept_.push_back(FeedLine{next_id_++, std::string(line)});
  while (kept_.size() > kept_lines_) kept_.pop_front();
  if (!followers_.empty()) ScheduleFlush();
}

std::string LiveFeed::EventsAfter(uint64_t after) const {
  if (kept_.empty() || kept_.back().id <= after) return {};
  std::string events;
  if (after + 1 < kept_.front().id) {
    events = "event: gap\ndata: " + std::to_string(kept_.front().id - after - 1) + "\n\n";
  }
  const size_t first =
      after < kept_.front().id ? 0 : static_cast<size_t>(after + 1 - kept_.front().id);
  return events + LinesEvent(kept_, first);
}

void LiveFeed::Follow(std::shared_ptr<EventSink> sink, uint64_t after) {
  // The followers there are get what is waiting, so that the newcomer's
  // lines and theirs part at the same line.
  Flush();
  if (!sink->Push(std::make_shared<const std::string>("retry: 2000\n\n" + EventsAfter(after)))) {
    return;
  }
  followers_.push_back(std::move(sink));
  if (!heartbeat_running_) {
    heartbeat_running_ = true;
    Heartbeat();
  }
}

void LiveFeed::ScheduleFlush() {
  if (flush_scheduled_) return;
  flush_scheduled_ = true;
  flush_timer_.expires_after(kFlushInterval);
  flush_timer_.async_wait([self = self_](const boost::system::error_code& error) {
    if (error || *self == nullptr) return;
    (*self)->flush_scheduled_ = false;
    (*self)->Flush();
  });
}

void LiveFeed::Flush() {
  std::string events = EventsAfter(flushed_id_);
  flushed_id_ = last_id();
  if (!events.empty()) Deliver(std::make_shared<const std::string>(std::move(events)));
}

void LiveFeed::Heartbeat() {
  heartbeat_timer_.expires_after(kHeartbeatInterval);
  heartbeat_timer_.async_wait([self = self_](const boost::system::error_code& error) {
    if (error || *self == nullptr) return;
    LiveFeed& feed = **self;
    feed.Deliver(std::make_shared<const std::string>(": still here\n\n"));
    if (feed.followers_.empty()) {
      feed.heartbeat_running_ = false;
      return;
    }
    feed.Heartbeat();
  });
}

void LiveFeed::Deliver(const std::shared_ptr<const std::string>& bytes) {
  std::erase_if(followers_, [&](const std::shared_ptr<EventSink>& sink) {
    return !sink->IsOpen() || !sink->Push(bytes);
  });
}

}  // namespace orlund
