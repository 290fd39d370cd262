#include "tools/example_project.h"

#include <gtest/gtest.h>

#include <memory>

#include "schedule/calendar.h"
#include "store/data_store.h"
#include "store/users.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

// The demo project loads back through the server's own readers.
TEST(ExampleProjectTest, GeneratedFilesLoadBack) {
  TestTempDir dir;
  std::string error;
  ASSERT_TRUE(WriteExampleProject(std::string(ORLUND_SOURCE_DIR) + "/examples", dir.path(), error))
      << error;
  RecordingLog log;
  FixedTexts texts;
  StoreContext context{dir.path(), log, texts};
  auto store = std::make_unique<DataStore>();
  EXPECT_EQ(LoadReceiverTypes(store->receiver_types, context), 3);
  EXPECT_EQ(LoadAllReceivers(store->receivers, context), 4);
  EXPECT_EQ(LoadAllProfiles(store->profiles, context), 3);
  EXPECT_EQ(store->profiles.Profiles[1].Name, "Office hours");
  EXPECT_EQ(store->profiles.ProfileSchedules[1]->GetPeriods(0).size(), 1u);
  UserTable users;
  LoadUsers(dir.path(), users, log, texts);
  ASSERT_EQ(users.UserCount, 3);
  EXPECT_EQ(users.Users[1].password, "operator");
  auto calendar = std::make_unique<cCalendar>();
  ASSERT_TRUE(calendar->ReadFromDisk(GlobalCalendarPath(dir.path())));
  EXPECT_EQ(calendar->GetDayType(9855), 8);  // 2026-12-25: special day type 7
  EXPECT_TRUE(log.lines.empty());
}

}  // namespace
}  // namespace orlund
