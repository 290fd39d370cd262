#include "tools/example_project.h"

#include <gtest/gtest.h>

#include <memory>

#include "store/data_store.h"
#include "store/users.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

// The demo project loads back through the server's own readers without a
// complaint; what it holds is checked through the console
// (tests/console_http_test.py).
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
  UserTable users;
  LoadUsers(dir.path(), users, log, texts);
  EXPECT_EQ(users.UserCount, 3);
  EXPECT_TRUE(log.lines.empty());
}

}  // namespace
}  // namespace orlund
