#include "store/staged_files.h"

#include <gtest/gtest.h>

#include "store/testing_dir.h"

namespace orlund {
namespace {

TEST(StagedFilesTest, NothingChangesBeforeCommitAndTemporariesAreInvisible) {
  testing::ProjectDir dir;
  dir.Put("D/a.dat", "old a");
  dir.Put("D/b.dat", "old b");
  {
    StagedFiles staged(dir.path() + "D/");
    ASSERT_TRUE(staged.Stage("a.dat", "new a"));
    EXPECT_EQ(dir.Get("D/a.dat"), "old a");
    for (const std::string& name : dir.List("D")) {
      EXPECT_TRUE(name == "a.dat" || name == "b.dat" || name.rfind(".~", 0) == 0) << name;
    }
    ASSERT_TRUE(staged.Commit({"a.dat", "b.dat", "gone.dat"}));
  }
  EXPECT_EQ(dir.List("D"), std::vector<std::string>{"a.dat"});
  EXPECT_EQ(dir.Get("D/a.dat"), "new a");
}

TEST(StagedFilesTest, AnAbandonedSetLeavesNoTemporaryBehind) {
  testing::ProjectDir dir;
  dir.Put("D/a.dat", "old a");
  {
    StagedFiles staged(dir.path() + "D/");
    ASSERT_TRUE(staged.Stage("a.dat", "new a"));
    ASSERT_TRUE(staged.Stage("b.dat", "new b"));
  }
  EXPECT_EQ(dir.List("D"), std::vector<std::string>{"a.dat"});
  EXPECT_EQ(dir.Get("D/a.dat"), "old a");
}

TEST(StagedFilesTest, CreatesAMissingDirectoryButNotItsParents) {
  testing::ProjectDir dir;
  StagedFiles staged(dir.path() + "New/");
  ASSERT_TRUE(staged.Stage("x.dat", "x"));
  ASSERT_TRUE(staged.Commit({}));
  EXPECT_EQ(dir.Get("New/x.dat"), "x");
  StagedFiles deeper(dir.path() + "No/Such/");
  EXPECT_FALSE(deeper.Stage("x.dat", "x"));
  EXPECT_NE(deeper.error().find("No/Such"), std::string::npos);
}

}  // namespace
}  // namespace orlund
