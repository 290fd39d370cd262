#include "store/directory_stamp.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "base/file_utils.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

void SetTime(const std::string& path, time_t seconds, long nanoseconds = 0) {
  timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

constexpr time_t kMay1 = 1714521600;  // 2024-05-01 00:00 UTC
constexpr time_t kMay3 = kMay1 + 2 * 86400;

TEST(DirectoryStampTest, NewestMatchingFileWins) {
  TestTempDir dir;
  ASSERT_TRUE(WriteFileAtomically(dir.path() + "Profile_0001.dat", "a"));
  ASSERT_TRUE(WriteFileAtomically(dir.path() + "Profile_0002.DAT", "b"));
  ASSERT_TRUE(WriteFileAtomically(dir.path() + "notes.txt", "c"));
  SetTime(dir.path() + "Profile_0001.dat", kMay1);
  SetTime(dir.path() + "Profile_0002.DAT", kMay3, 5);
  SetTime(dir.path() + "notes.txt", kMay3 + 86400);
  DirectoryStamp stamp;
  ASSERT_TRUE(GetNewestDataFileTime(dir.path() + ".", stamp));
  EXPECT_EQ(stamp.newest_mtime_ns, kMay3 * 1000000000LL + 5);
  EXPECT_EQ(stamp.file_count, 2u);
}

TEST(DirectoryStampTest, RemovingOrRenamingAFileChangesTheStamp) {
  TestTempDir dir;
  for (const char* name : {"a.dat", "b.dat", "c.dat"}) {
    ASSERT_TRUE(WriteFileAtomically(dir.path() + name, "x"));
    SetTime(dir.path() + name, kMay1);
  }
  SetTime(dir.path() + "c.dat", kMay3);
  // An older file removed (the newest time stays), one renamed to another
  // matching name (rename keeps the time), one renamed away from the pattern,
  // and the newest removed.
  const std::pair<std::string, std::string> steps[] = {
      {"a.dat", ""}, {"b.dat", "d.dat"}, {"d.dat", "d.bak"}, {"c.dat", ""}};
  DirectoryStamp before, after;
  ASSERT_TRUE(GetNewestDataFileTime(dir.path(), before));
  for (const auto& [from, to] : steps) {
    const std::string path = dir.path() + from;
    ASSERT_EQ(to.empty() ? unlink(path.c_str()) : rename(path.c_str(), (dir.path() + to).c_str()),
              0);
    ASSERT_TRUE(GetNewestDataFileTime(dir.path(), after));
    EXPECT_NE(after, before) << from;
    before = after;
  }
  EXPECT_EQ(after, DirectoryStamp{});
}

TEST(DirectoryStampTest, EmptyMissingAndUnlistableDirectories) {
  TestTempDir dir;
  DirectoryStamp stamp{1, 2, 3};
  ASSERT_TRUE(GetNewestDataFileTime(dir.path(), stamp));
  EXPECT_EQ(stamp, DirectoryStamp{});
  mkdir((dir.path() + "sub.dat").c_str(), 0755);  // a directory is not a data file
  ASSERT_TRUE(GetNewestDataFileTime(dir.path(), stamp));
  EXPECT_EQ(stamp, DirectoryStamp{});
  stamp = {1, 2, 3};
  ASSERT_TRUE(GetNewestDataFileTime(dir.path() + "missing", stamp));
  EXPECT_EQ(stamp, DirectoryStamp{});
  // A file where the directory should be: an error, the stamp stays.
  ASSERT_TRUE(WriteFileAtomically(dir.path() + "plain", "x"));
  stamp = {1, 2, 3};
  EXPECT_FALSE(GetNewestDataFileTime(dir.path() + "plain", stamp));
  EXPECT_EQ(stamp, (DirectoryStamp{1, 2, 3}));
  // A dangling link never blocks the stamp.
  ASSERT_EQ(symlink("nowhere", (dir.path() + "gone.dat").c_str()), 0);
  EXPECT_TRUE(GetNewestDataFileTime(dir.path(), stamp));
}

}  // namespace
}  // namespace orlund
