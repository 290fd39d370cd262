#include "schedule/time_schedule.h"

#include <gtest/gtest.h>

#include "base/errors.h"

namespace orlund {
namespace {

using namespace std::string_literals;

// Unsorted periods, a 24:00 stop, odd values, flags, axes, the calendar flag.
void Fill(cTimeSchedule& s) {
  s.AppendPeriod(0, 720, 780);
  s.AppendPeriod(0, 480, 600);
  s.AppendPeriod(2, 0, 1440);
  s.AppendPeriod(9, 900, 300);
  s.AppendPeriod(22, -5, 32767);
  s.SetGrouped(0, 1);
  s.SetActive(9, 1);
  s.SetActive(6, 0);
  s.SetAxis(22, -300);
  s.m_UseCalendar = -1;
}

std::string Block(const cTimeSchedule& s) {
  ByteWriter w;
  s.SaveToDisk(w);
  return w.Take();
}

TEST(TimeScheduleTest, PeriodArrayAndFileBlockHoldTheSameValuesInTheirByteOrders) {
  cTimeSchedule empty;
  std::string expected;  // per day type: active, grouped, no periods, axis 0
  for (int d = 0; d < kDayTypeCount; ++d)
    expected += d < 7 ? "\xFF\xFF\0\0\0\0\0\0"s : "\0\0\0\0\0\0\0\0"s;
  EXPECT_EQ(empty.ComposePeriodArray(), expected + "\0\0"s);

  cTimeSchedule s;
  Fill(s);
  // Day type 0: active -1, grouped -1, count 2, 720, 780, 480, 600, axis 0.
  const std::string day0 = "\xFF\xFF\xFF\xFF\x00\x02\x02\xD0\x03\x0C\x01\xE0\x02\x58\x00\x00"s;
  const std::string array = s.ComposePeriodArray();
  const std::string block = Block(s);
  ASSERT_EQ(array.size(), 206u);
  ASSERT_EQ(block.size(), 206u);
  EXPECT_EQ(array.substr(0, 16), day0);
  EXPECT_EQ(array.substr(32, 2), "\x05\xA0");  // day type 2's stop 1440
  for (size_t i = 0; i < array.size(); ++i) ASSERT_EQ(block[i], array[i ^ 1]) << i;

  // Both readers replace what was there, and keep the list order.
  cTimeSchedule from_array, from_block;
  from_array.AppendPeriod(4, 1, 2);
  from_block.AppendPeriod(4, 1, 2);
  from_array.ExtractPeriodArray(array);
  const std::string followed = block + "\x34\x12";
  ByteReader r(followed);
  from_block.ReadFromDisk(r);
  EXPECT_EQ(r.Int16(), 0x1234);
  EXPECT_EQ(from_array.ComposePeriodArray(), array);
  EXPECT_EQ(from_block.ComposePeriodArray(), array);
}

TEST(TimeScheduleTest, EveryCutInputFailsCleanlyKeepingWhatWasRead) {
  cTimeSchedule full;
  Fill(full);
  const std::string block = Block(full), array = full.ComposePeriodArray();
  for (size_t cut = 0; cut < block.size(); ++cut) {
    cTimeSchedule s;
    ByteReader r(std::string_view(block).substr(0, cut));
    EXPECT_THROW(s.ReadFromDisk(r), TruncatedError) << cut;
    EXPECT_THROW(s.ExtractPeriodArray(std::string_view(array).substr(0, cut)), InvalidArgumentError)
        << cut;
  }
  // Cut after day type 3's active flag: 0..2 decoded, 3 emptied, 4 untouched.
  cTimeSchedule t;
  for (int d = 0; d < 5; ++d) t.AppendPeriod(d, 1, 2);
  EXPECT_THROW(t.ExtractPeriodArray(std::string_view(array).substr(0, 38)), InvalidArgumentError);
  const size_t expected[] = {2, 0, 1, 0, 1};
  for (int d = 0; d < 5; ++d) EXPECT_EQ(t.GetPeriods(d).size(), expected[d]) << d;
  EXPECT_EQ(t.GetGrouped(0), -1);

  // A huge declared count: periods only as their bytes arrive.
  cTimeSchedule u;
  const std::string huge = "\xFF\xFF\0\0\x30\x75\x3C\0\x78\0"s;  // count 30000, one period
  ByteReader r(huge);
  EXPECT_THROW(u.ReadFromDisk(r), TruncatedError);
  ASSERT_EQ(u.GetPeriods(0).size(), 1u);
  EXPECT_LE(u.GetPeriods(0).capacity(), 1u);
  try {
    u.ExtractPeriodArray("\xFF\xFF\0\0\x75\x30\0\x3C\0\x78\0"s);
    ADD_FAILURE() << "no error";
  } catch (const InvalidArgumentError& e) {
    EXPECT_NE(std::string(e.what()).find("character 12"), std::string::npos) << e.what();
  }
  EXPECT_EQ(u.GetPeriods(0).at(0)->m_StopMinute, 120);
}

TEST(TimeScheduleTest, NonPositiveCountsLeaveNoPeriodsAndValuesStayUnvalidated) {
  ByteWriter w;
  for (int d = 0; d < kDayTypeCount; ++d) {
    w.Int16(d == 0 ? 5 : 0);
    w.Int16(0);
    w.Int16(d == 0 ? -1 : (d == 1 ? -32768 : 0));
    w.Int16(d);  // axis, read right after the count
  }
  w.Int16(7);
  cTimeSchedule s;
  s.AppendPeriod(0, 1, 2);
  ByteReader r(w.bytes());
  s.ReadFromDisk(r);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(s.PeriodCount(), 0u);
  EXPECT_EQ(s.GetActive(0), 5);
  EXPECT_EQ(s.GetAxis(22), 22);
  EXPECT_EQ(s.m_UseCalendar, 7);
}

TEST(TimeScheduleTest, BadDayTypesAndOversizedListsRaiseWithNothingChanged) {
  cTimeSchedule s;
  EXPECT_EQ(s.SetActive(3, 5), 0);
  EXPECT_EQ(s.GetActive(3), -1);
  const std::string before = s.ComposePeriodArray();
  for (int bad : {-1, 23}) {
    EXPECT_THROW(s.SetActive(bad, 1), SubscriptError);
    EXPECT_THROW(s.GetActive(bad), SubscriptError);
    EXPECT_THROW(s.AppendPeriod(bad, 0, 1), SubscriptError);
  }
  EXPECT_EQ(s.ComposePeriodArray(), before);

  for (int i = 0; i < 32768; ++i) s.AppendPeriod(7, 0, 1);
  ByteWriter w;
  EXPECT_THROW(s.SaveToDisk(w), OverflowError);
  EXPECT_TRUE(w.bytes().empty());
  EXPECT_THROW(s.ComposePeriodArray(), OverflowError);
}

}  // namespace
}  // namespace orlund
