#include "console/live_feed.h"

#include <gtest/gtest.h>

namespace orlund {
namespace {

class RecordingSink : public EventSink {
 public:
  bool Push(std::shared_ptr<const std::string> bytes) override {
    received += *bytes;
    return open;
  }
  bool IsOpen() const override { return open; }
  std::string Take() { return std::exchange(received, {}); }

  std::string received;
  bool open = true;
};

TEST(LiveFeedTest, FollowersContinueAfterTheirLastLineAndSeeGapsOfBursts) {
  boost::asio::io_context io;
  LiveFeed feed(io, 3);
  for (const char* line : {"one", "two", "three", "four"}) feed.Publish(line);
  EXPECT_EQ(feed.last_id(), 4u);

  auto first = std::make_shared<RecordingSink>();
  feed.Follow(first, 2);
  EXPECT_EQ(first->Take(), "retry: 2000\n\nid: 4\ndata: three\ndata: four\n\n");

  // A burst larger than the kept lines: its newest lines, after a gap.
  for (const char* line : {"5", "6", "7", "8\r\nx"}) feed.Publish(line);
  auto second = std::make_shared<RecordingSink>();
  feed.Follow(second, 0);
  EXPECT_EQ(first->Take(), "event: gap\ndata: 1\n\nid: 8\ndata: 6\ndata: 7\ndata: 8  x\n\n");
  EXPECT_EQ(second->Take(),
            "retry: 2000\n\nevent: gap\ndata: 5\n\nid: 8\ndata: 6\ndata: 7\n"
            "data: 8  x\n\n");

  // A follower that has everything gets nothing more; a closed one is dropped.
  second->open = false;
  auto third = std::make_shared<RecordingSink>();
  feed.Follow(third, 8);
  EXPECT_EQ(third->Take(), "retry: 2000\n\n");
  feed.Publish("\xE9t\xE9");
  feed.Follow(std::make_shared<RecordingSink>(), 9);
  EXPECT_EQ(third->Take(), "id: 9\ndata: \xC3\xA9t\xC3\xA9\n\n");
  EXPECT_EQ(feed.followers(), 3u);
}

}  // namespace
}  // namespace orlund
