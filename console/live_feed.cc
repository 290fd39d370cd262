#include "console/live_feed.h"

#include <algorithm>

#include "base/cp1252.h"

namespace orlund {

std::string FeedEvent(const FeedLine& line) {
  std::string event = "id: " + std::to_string(line.id) + "\ndata: ";
  std::string text = Cp1252ToUtf8(line.text);
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  event += text;
  event += "\n\n";
  return event;
}

LiveFeed::LiveFeed(boost::asio::io_context& io, size_t kept_lines)
    : flush_timer_(io),
      heartbeat_timer_(io),
      kept_lines_(kept_lines),
      self_(std::make_shared<LiveFeed*>(this)) {}

LiveFeed::~LiveFeed() { *self_ = nullptr; }

void LiveFeed::Publish(std::string_view line) {
  FeedLine& kept = kept_.emplace_back(FeedLine{next_id_++, std::string(line)});
  if (!followers_.empty()) {
    pending_ += FeedEvent(kept);
    ScheduleFlush();
  }
  while (kept_.size() > kept_lines_) kept_.pop_front();
}

void LiveFeed::Follow(std::shared_ptr<EventSink> sink, uint64_t after) {
  std::string replay = "retry: 2000\n\n";
  if (!kept_.empty() && after + 1 < kept_.front().id && after != 0) {
    replay += "event: gap\ndata: " + std::to_string(kept_.front().id - after - 1) + "\n\n";
  }
  for (const FeedLine& line : kept_) {
    if (line.id > after) replay += FeedEvent(line);
  }
  // Lines waiting for the next flush would come twice.
  if (!pending_.empty()) Flush();
  if (!sink->Push(std::make_shared<const std::string>(std::move(replay)))) return;
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
  if (pending_.empty()) return;
  auto bytes = std::make_shared<const std::string>(std::move(pending_));
  pending_.clear();
  Deliver(bytes);
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
