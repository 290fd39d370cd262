#include "schedule/calendar.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <system_error>

#include "base/errors.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

TEST(CalendarTest, EntriesEncodeLittleEndianInDayOrder) {
  auto c = std::make_unique<cCalendar>();
  EXPECT_EQ(c->EncodeEntries(), std::string(29220, '\0'));
  c->SetDayType(0, 8);
  c->SetDayType(1, -2);
  c->SetDayType(14609, 0x1234);
  const std::string b = c->EncodeEntries();
  EXPECT_EQ(b.substr(0, 4), std::string("\x08\x00\xFE\xFF", 4));
  EXPECT_EQ(b.substr(29218), "\x34\x12");

  auto back = std::make_unique<cCalendar>();
  EXPECT_EQ(back->DecodeEntries(b + "tail"), 14610);
  EXPECT_EQ(back->EncodeEntries(), b);
  // Short data: whole entries only; the odd byte and later days untouched.
  EXPECT_EQ(back->DecodeEntries(std::string("\x01\x00\x02\x00\x03", 5)), 2);
  EXPECT_EQ(back->GetDayType(1), 2);
  EXPECT_EQ(back->GetDayType(2), 0);
  EXPECT_EQ(back->GetDayType(14609), 0x1234);

  for (int32_t bad : {-1, 14610, 2147483647}) {
    EXPECT_THROW(c->SetDayType(bad, 3), SubscriptError);
    EXPECT_THROW(c->GetDayType(bad), SubscriptError);
  }
  EXPECT_EQ(c->EncodeEntries(), b);
}

TEST(CalendarTest, FileKeepsItsTailAndShortFilesGiveTheirEntries) {
  TestTempDir dir;
  const std::string path = dir.path() + "GlobalCalendar.dat";
  auto c = std::make_unique<cCalendar>();
  c->SetDayType(100, 23);
  EXPECT_FALSE(c->ReadFromDisk(dir.path() + "missing.dat"));
  EXPECT_FALSE(c->ReadFromDisk(dir.path()));  // a directory is no calendar file
  dir.Put("GlobalCalendar.dat", std::string("\x07\x00\x00\x00\x00\x00\x04\x00\x01", 9));
  EXPECT_TRUE(c->ReadFromDisk(path));
  EXPECT_EQ(c->GetDayType(0), 7);
  EXPECT_EQ(c->GetDayType(3), 4);
  EXPECT_EQ(c->GetDayType(100), 23);

  dir.Put("GlobalCalendar.dat", std::string(29220, '\x01') + "extra");
  EXPECT_TRUE(c->SaveToDisk(path));
  EXPECT_EQ(dir.Get("GlobalCalendar.dat"), c->EncodeEntries() + "extra");
  dir.Put("GlobalCalendar.dat", "abc");
  EXPECT_TRUE(c->SaveToDisk(path));
  EXPECT_EQ(dir.Get("GlobalCalendar.dat"), c->EncodeEntries());
  EXPECT_EQ(dir.List(""), std::vector<std::string>{"GlobalCalendar.dat"});
}

TEST(CalendarTest, FileErrorsRaiseAndKeepTheOldFileAndEntries) {
  TestTempDir dir;
  const std::string path = dir.path() + "GlobalCalendar.dat";
  auto c = std::make_unique<cCalendar>();
  c->SetDayType(1, 5);
  EXPECT_THROW(c->SaveToDisk(dir.path() + "no/such/dir/c.dat"), std::system_error);
  dir.Put("GlobalCalendar.dat", "old");
  if (geteuid() != 0) {  // permissions bind everyone but root
    dir.SetMode("GlobalCalendar.dat", 0);
    EXPECT_THROW(c->ReadFromDisk(path), std::system_error);
    EXPECT_THROW(c->SaveToDisk(path), std::system_error);  // its tail cannot be kept
    dir.SetMode("GlobalCalendar.dat", 0644);
  }
  EXPECT_EQ(dir.Get("GlobalCalendar.dat"), "old");
  // A regular file whose read fails (offset 0 of the process's own memory is
  // unmapped): the error reaches the caller, for root as well.
  EXPECT_THROW(c->ReadFromDisk("/proc/self/mem"), std::system_error);
  EXPECT_EQ(c->GetDayType(1), 5);
}

}  // namespace
}  // namespace orlund
