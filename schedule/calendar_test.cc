#include "schedule/calendar.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

#include "base/errors.h"
#include "base/file_utils.h"

namespace orlund {
namespace {

namespace fs = std::filesystem;

class CalendarFileTest : public ::testing::Test {
 protected:
  CalendarFileTest() {
    char templ[] = "/tmp/orlund_calendar_XXXXXX";
    dir_ = std::string(mkdtemp(templ)) + "/";
    path_ = dir_ + "GlobalCalendar.dat";
  }
  ~CalendarFileTest() override { fs::remove_all(dir_); }
  void Write(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
  std::string Read() { return ReadFileBytes(path_).value_or("<none>"); }

  std::string dir_, path_;
  std::unique_ptr<cCalendar> c_ = std::make_unique<cCalendar>();
};

TEST(CalendarTest, EntriesEncodeLittleEndianInDayOrder) {
  auto c = std::make_unique<cCalendar>();
  EXPECT_EQ(c->EncodeEntries(), std::string(29220, '\0'));
  for (int d = 0; d < kDayTypeCount; ++d) EXPECT_EQ(c->IsDayTypeUsed(d), 0);
  c->SetDayType(0, 8);
  c->SetDayType(1, -2);
  c->SetDayType(14609, 0x1234);
  std::string b = c->EncodeEntries();
  EXPECT_EQ(b.substr(0, 4), std::string("\x08\x00\xFE\xFF", 4));
  EXPECT_EQ(b.substr(29218), "\x34\x12");

  auto back = std::make_unique<cCalendar>();
  EXPECT_TRUE(back->CompareToOtherCalendar(cCalendar()));
  EXPECT_EQ(back->DecodeEntries(b), 14610);
  EXPECT_TRUE(back->CompareToOtherCalendar(*c));
  // Short data: whole entries only; the odd byte and later days untouched.
  EXPECT_EQ(back->DecodeEntries(std::string("\x01\x00\x02\x00\x03", 5)), 2);
  EXPECT_EQ(back->GetDayType(1), 2);
  EXPECT_EQ(back->GetDayType(2), 0);
  EXPECT_EQ(back->GetDayType(14609), 0x1234);
}

TEST(CalendarTest, OutOfRangeIndexesRaiseAndChangeNothing) {
  auto c = std::make_unique<cCalendar>();
  for (int32_t bad : {-1, 14610, 2147483647}) {
    EXPECT_THROW(c->SetDayType(bad, 3), SubscriptError);
    EXPECT_THROW(c->GetDayType(bad), SubscriptError);
  }
  EXPECT_THROW(c->IsDayTypeUsed(-1), SubscriptError);
  EXPECT_THROW(c->IsDayTypeUsed(23), SubscriptError);
  EXPECT_EQ(c->EncodeEntries(), std::string(29220, '\0'));
}

TEST_F(CalendarFileTest, SaveReadAndCompare) {
  EXPECT_TRUE(c_->SaveToDisk(path_));
  EXPECT_EQ(Read(), std::string(29220, '\0'));
  c_->SetDayType(14609, 8);
  EXPECT_TRUE(c_->SaveToDisk(path_));

  auto other = std::make_unique<cCalendar>();
  other->SetDayType(5, 3);
  EXPECT_FALSE(other->ReadFromDisk(dir_ + "missing.dat"));
  EXPECT_FALSE(other->ReadFromDisk(dir_));  // a directory is no calendar file
  EXPECT_EQ(other->GetDayType(5), 3);
  EXPECT_TRUE(other->ReadFromDisk(path_));
  EXPECT_TRUE(other->CompareToOtherCalendar(*c_));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(CalendarFileTest, ShortFilesGiveTheirEntriesAndLongFilesKeepTheirTail) {
  c_->SetDayType(100, 23);
  Write(std::string("\x07\x00\x00\x00\x00\x00\x04\x00\x01", 9));
  EXPECT_TRUE(c_->ReadFromDisk(path_));
  EXPECT_EQ(c_->GetDayType(0), 7);
  EXPECT_EQ(c_->GetDayType(3), 4);
  EXPECT_EQ(c_->GetDayType(100), 23);

  Write(std::string(29220, '\x01') + "extra");
  EXPECT_TRUE(c_->SaveToDisk(path_));
  EXPECT_EQ(Read(), c_->EncodeEntries() + "extra");
  Write("abc");
  EXPECT_TRUE(c_->SaveToDisk(path_));
  EXPECT_EQ(Read(), c_->EncodeEntries());
}

TEST_F(CalendarFileTest, FileErrorsRaiseAndKeepTheOldFileAndEntries) {
  c_->SetDayType(1, 5);
  EXPECT_THROW(c_->SaveToDisk(dir_ + "no/such/dir/c.dat"), std::system_error);
  Write("old");
  if (geteuid() != 0) {  // permissions bind everyone but root
    chmod(dir_.c_str(), 0555);
    EXPECT_THROW(c_->SaveToDisk(path_), std::system_error);
    chmod(dir_.c_str(), 0755);
    chmod(path_.c_str(), 0);
    EXPECT_THROW(c_->ReadFromDisk(path_), std::system_error);
    EXPECT_THROW(c_->SaveToDisk(path_), std::system_error);  // its tail cannot be kept
    chmod(path_.c_str(), 0644);
  }
  EXPECT_EQ(Read(), "old");
  // A regular file whose read fails (offset 0 of the process's own memory
  // is unmapped): the error reaches the caller, for root as well.
  const std::string unreadable = "/proc/self/mem";
  if (fs::is_regular_file(unreadable) && !ReadFileBytes(unreadable)) {
    EXPECT_THROW(c_->ReadFromDisk(unreadable), std::system_error);
  }
  EXPECT_EQ(c_->GetDayType(1), 5);
}

}  // namespace
}  // namespace orlund
