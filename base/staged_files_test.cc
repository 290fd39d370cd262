#include "base/staged_files.h"

#include <gtest/gtest.h>

#include "base/file_utils.h"
#include "testing/fault_file_system.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

using testing::FaultFileSystem;
using testing::FsOp;

// Two files replaced: whatever step of writing the journal fails, the set
// does not switch, the old files stay, and nothing is left behind.
TEST(StagedFilesTest, AJournalThatCannotBeWrittenStopsTheSwitchBeforeItStarts) {
  PosixFileSystem disk(/*syncs=*/false);
  struct Case {
    FsOp op;
    int k;
  };
  // The journal's creation, write and close, its flush and its folder's
  // (the staged files took the first two of each, and the first flush).
  for (const Case& c : {Case{FsOp::kCreate, 3}, Case{FsOp::kWrite, 3}, Case{FsOp::kClose, 3},
                        Case{FsOp::kSync, 2}, Case{FsOp::kSync, 3}}) {
    SCOPED_TRACE(static_cast<int>(c.op));
    TestTempDir dir;
    ASSERT_TRUE(WriteFileAtomically(dir.path() + "a", "old a"));
    ASSERT_TRUE(WriteFileAtomically(dir.path() + "b", "old b"));
    FaultFileSystem faulty(disk);
    faulty.Arm(c.op, c.k, FaultFileSystem::Fault::kFail);
    {
      StagedFiles staged(faulty, dir.path());
      ASSERT_TRUE(staged.Stage("a", "new a"));
      ASSERT_TRUE(staged.Stage("b", "new b"));
      EXPECT_FALSE(staged.Commit());
    }
    EXPECT_TRUE(faulty.fired());
    EXPECT_EQ(faulty.count(FsOp::kRename), 0);
    EXPECT_EQ(ReadFileBytes(dir.path() + "a"), "old a");
    EXPECT_EQ(ReadFileBytes(dir.path() + "b"), "old b");
    EXPECT_EQ(ListMatchingFiles(dir.path(), "*").size(), 2u);
  }
}

}  // namespace
}  // namespace orlund
