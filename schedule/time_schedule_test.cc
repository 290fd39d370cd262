#include "schedule/time_schedule.h"

#include <gtest/gtest.h>

#include "base/errors.h"

namespace orlund {
namespace {

uint8_t At(const std::string& s, size_t i) { return static_cast<uint8_t>(s[i]); }

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

TEST(TimeScheduleTest, NewScheduleComposesTo186Characters) {
  cTimeSchedule s;
  std::string a = s.ComposePeriodArray();
  ASSERT_EQ(a.size(), 186u);
  for (size_t i = 0; i < a.size(); ++i) {
    bool weekday_active = i < 7 * 8 && i % 8 < 2;
    EXPECT_EQ(At(a, i), weekday_active ? 255 : 0) << "character " << i;
  }
}

TEST(TimeScheduleTest, PeriodArrayAndFileBlockHaveTheSameValuesInTheirByteOrders) {
  cTimeSchedule s;
  Fill(s);
  // Day type 0: active -1, grouped -1, count 2, 720, 780, 480, 600, axis 0.
  const uint8_t high_first[] = {255, 255, 255, 255, 0, 2, 2, 208, 3, 12, 1, 224, 2, 88, 0, 0};
  std::string a = s.ComposePeriodArray();
  ASSERT_EQ(a.size(), 206u);
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(At(a, i), high_first[i]) << i;
  EXPECT_EQ(a.substr(32, 2), "\x05\xA0");  // day type 2's stop 1440

  ByteWriter w;
  w.Int16(4);  // the block sits inside a profile file
  s.SaveToDisk(w);
  w.Int16(0x1234);
  const std::string& b = w.bytes();
  ASSERT_EQ(b.size(), 2u + 206 + 2);
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(At(b, 2 + i), high_first[i ^ 1]) << i;
  EXPECT_EQ(b.substr(2 + 204, 2), "\xFF\xFF");  // m_UseCalendar closes the block

  cTimeSchedule from_array, from_block;
  from_array.AppendPeriod(4, 420, 960);  // both readers replace what was there
  from_block.AppendPeriod(4, 420, 960);
  from_array.ExtractPeriodArray(a);
  ByteReader r(b);
  r.Int16();
  from_block.ReadFromDisk(r);
  EXPECT_EQ(r.Int16(), 0x1234);
  EXPECT_EQ(from_array.ComposePeriodArray(), a);
  EXPECT_EQ(from_block.ComposePeriodArray(), a);
  EXPECT_EQ(from_block.GetPeriods(0)[0]->m_StartMinute, 720);  // list order, not time order
}

TEST(TimeScheduleTest, NonPositiveCountLeavesNoPeriodsAndValuesStayUnvalidated) {
  ByteWriter w;
  for (int d = 0; d < kDayTypeCount; ++d) {
    w.Int16(d == 0 ? 5 : 0);
    w.Int16(0);
    w.Int16(d == 0 ? -1 : (d == 1 ? -32768 : 0));
    w.Int16(d);  // axis, read right after the count
  }
  w.Int16(7);
  cTimeSchedule s;
  s.AppendPeriod(4, 420, 960);
  ByteReader r(w.bytes());
  s.ReadFromDisk(r);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(s.PeriodCount(), 0u);
  EXPECT_EQ(s.GetActive(0), 5);
  EXPECT_EQ(s.GetAxis(22), 22);
  EXPECT_EQ(s.m_UseCalendar, 7);
}

TEST(TimeScheduleTest, EveryCutInputFailsCleanlyKeepingWhatWasRead) {
  cTimeSchedule full;
  Fill(full);
  ByteWriter w;
  full.SaveToDisk(w);
  const std::string block = w.Take(), array = full.ComposePeriodArray();
  for (size_t cut = 0; cut < block.size(); ++cut) {
    cTimeSchedule s;
    ByteReader r(std::string_view(block).substr(0, cut));
    EXPECT_THROW(s.ReadFromDisk(r), TruncatedError) << cut;
    EXPECT_THROW(s.ExtractPeriodArray(std::string_view(array).substr(0, cut)), InvalidArgumentError)
        << cut;
  }
  // Cut inside day type 0's second period: the first period stays.
  cTimeSchedule s;
  ByteReader r(std::string_view(block).substr(0, 12));
  EXPECT_THROW(s.ReadFromDisk(r), TruncatedError);
  ASSERT_EQ(s.GetPeriods(0).size(), 1u);
  EXPECT_EQ(s.GetGrouped(0), -1);
  // Cut after day type 3's active flag: 0..2 decoded, 3 emptied, 4 untouched.
  cTimeSchedule t;
  for (int d = 0; d < 5; ++d) t.AppendPeriod(d, 1, 2);
  EXPECT_THROW(t.ExtractPeriodArray(std::string_view(array).substr(0, 38)), InvalidArgumentError);
  const size_t expected[] = {2, 0, 1, 0, 1};
  for (int d = 0; d < 5; ++d) EXPECT_EQ(t.GetPeriods(d).size(), expected[d]) << d;
}

TEST(TimeScheduleTest, HugeDeclaredCountNeverOutrunsTheBytes) {
  const std::string bytes("\xFF\xFF\0\0\x30\x75\x3C\0\x78\0", 10);  // count 30000, one period
  cTimeSchedule s;
  ByteReader r(bytes);
  EXPECT_THROW(s.ReadFromDisk(r), TruncatedError);
  ASSERT_EQ(s.GetPeriods(0).size(), 1u);
  EXPECT_LE(s.GetPeriods(0).capacity(), 1u);

  const std::string array("\xFF\xFF\0\0\x75\x30\0\x3C\0\x78\0", 11);
  cTimeSchedule t;
  try {
    t.ExtractPeriodArray(array);
    ADD_FAILURE() << "no error";
  } catch (const InvalidArgumentError& e) {
    EXPECT_NE(std::string(e.what()).find("character 12"), std::string::npos) << e.what();
  }
  ASSERT_EQ(t.GetPeriods(0).size(), 1u);
  EXPECT_EQ(t.GetPeriods(0)[0]->m_StopMinute, 120);
}

TEST(TimeScheduleTest, BadDayTypesAndOversizedListsRaiseWithNothingChanged) {
  cTimeSchedule s;
  EXPECT_EQ(s.SetActive(3, 5), 0);
  EXPECT_EQ(s.GetActive(3), -1);
  const std::string before = s.ComposePeriodArray();
  for (int bad : {-1, 23, 32767}) {
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
