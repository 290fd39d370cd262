#include "base/file_utils.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "base/text_case.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

TEST(FileUtilsTest, PatternsMatchWithoutRegardToCase) {
  EXPECT_TRUE(MatchFileName("Profile_0042.dat", "Profile_????.dat"));
  EXPECT_TRUE(MatchFileName("PROFILE_0042.DAT", "Profile_????.dat"));
  EXPECT_FALSE(MatchFileName("Profile_042.dat", "Profile_????.dat"));
  EXPECT_FALSE(MatchFileName("Profile_00042.dat", "Profile_????.dat"));
  EXPECT_TRUE(MatchFileName("x.Dat", "*.DAT"));
  EXPECT_TRUE(MatchFileName(".DAT", "*.DAT"));
  EXPECT_FALSE(MatchFileName("x.dat.tmp", "*.DAT"));
  EXPECT_TRUE(MatchFileName("a.b.dat", "*.dat"));
  EXPECT_TRUE(MatchFileName("\xE9t\xE9.dat", "\xC9T\xC9.DAT"));
}

TEST(FileUtilsTest, ListsOnlyMatchingRegularFiles) {
  TestTempDir dir;
  ASSERT_TRUE(WriteFileAtomically(dir.path() + "Receiver_0001.dat", "a"));
  ASSERT_TRUE(WriteFileAtomically(dir.path() + "receiver_0002.DAT", "b"));
  ASSERT_TRUE(WriteFileAtomically(dir.path() + "Receiver_01.dat", "c"));
  mkdir((dir.path() + "Receiver_0003.dat").c_str(), 0755);
  auto names = ListMatchingFiles(dir.path(), "Receiver_????.dat");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Receiver_0001.dat", "receiver_0002.DAT"}));
  EXPECT_TRUE(ListMatchingFiles(dir.path() + "missing", "*").empty());
  EXPECT_TRUE(FileExists(dir.path() + "Receiver_0001.dat"));
  EXPECT_TRUE(FileExists(dir.path() + "Receiver_????.dat"));
  EXPECT_FALSE(FileExists(dir.path() + "Receiver_0003.dat"));  // a directory
  EXPECT_FALSE(FileExists(dir.path() + "nothing"));
}

TEST(FileUtilsTest, AtomicWriteKeepsModeOwnerAndGroupOfTheReplacedFile) {
  TestTempDir dir;
  const std::string path = dir.path() + "Receiver_0000.dat";
  struct stat st;
  const mode_t umask_bits = umask(0);
  umask(umask_bits);
  ASSERT_TRUE(WriteFileAtomically(path, "new"));
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u & ~umask_bits);
  for (mode_t mode : {0664, 0640}) {
    chmod(path.c_str(), mode);
    ASSERT_TRUE(WriteFileAtomically(path, "again"));
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode);
  }
  if (geteuid() == 0) {  // only root may give a file away
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    ASSERT_TRUE(WriteFileAtomically(path, "as root"));
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
  }
}

TEST(FileUtilsTest, AtomicWriteReplacesTheFileOrKeepsTheOldOne) {
  TestTempDir dir;
  const std::string path = dir.path() + "f.dat";
  const std::string bytes("\0\xFE\xFF\r\n", 5);
  ASSERT_TRUE(WriteFileAtomically(path, "old"));
  EXPECT_FALSE(WriteFileAtomically(dir.path() + "no/such/dir/f.dat", "x"));
  if (geteuid() != 0) {  // root ignores directory permissions
    chmod(dir.path().c_str(), 0555);
    EXPECT_FALSE(WriteFileAtomically(path, "new"));
    chmod(dir.path().c_str(), 0755);
  }
  EXPECT_EQ(ReadFileBytes(path).value(), "old");
  ASSERT_TRUE(WriteFileAtomically(path, bytes));
  EXPECT_EQ(ReadFileBytes(path).value(), bytes);
  EXPECT_EQ(ListMatchingFiles(dir.path(), "*").size(), 1u);  // no temporary file
  EXPECT_FALSE(ReadFileBytes(dir.path() + "missing").has_value());
}

TEST(TextCaseTest, UpperCasesTheWindows1252Letters) {
  EXPECT_EQ(UpperCase1252("abc\xE9\xF7\xFF\x9A\x9C\x9E z"), "ABC\xC9\xF7\x9F\x8A\x8C\x8E Z");
  EXPECT_TRUE(EqualsIgnoreCase1252("Pager a", "PAGER A"));
  EXPECT_FALSE(EqualsIgnoreCase1252("Pager", "Pager "));
  EXPECT_LT(CompareIgnoreCase1252("alpha", "Beta"), 0);
  EXPECT_EQ(CompareIgnoreCase1252("abc", "ABC"), 0);
  EXPECT_GT(CompareIgnoreCase1252("\xE9", "z"), 0);  // by character code
}

}  // namespace
}  // namespace orlund
