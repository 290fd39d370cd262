#include "schedule/time_schedule.h"

#include <gtest/gtest.h>

#include "store/errors.h"

namespace orlund {
namespace {

uint8_t At(const std::string& s, size_t i) { return static_cast<uint8_t>(s[i]); }

// A schedule that exercises every field: unsorted periods, a 24:00 stop,
// negative and odd values, grouped flags, axes and the calendar flag.
void Fill(cTimeSchedule& s) {
  s.AppendPeriod(0, 720, 780);
  s.AppendPeriod(0, 480, 600);
  s.AppendPeriod(2, 0, 1440);
  s.AppendPeriod(9, 900, 300);
  s.AppendPeriod(22, -5, 32767);
  s.SetGrouped(0, 1);
  s.SetGrouped(2, -1);
  s.SetActive(9, 1);
  s.SetActive(6, 0);
  s.SetAxis(2, 1);
  s.SetAxis(22, -300);
  s.m_UseCalendar = -1;
}

void ExpectSameContent(const cTimeSchedule& a, const cTimeSchedule& b) {
  for (int d = 0; d < kDayTypeCount; ++d) {
    SCOPED_TRACE(d);
    EXPECT_EQ(a.GetActive(d), b.GetActive(d));
    EXPECT_EQ(a.GetGrouped(d), b.GetGrouped(d));
    EXPECT_EQ(a.GetAxis(d), b.GetAxis(d));
    ASSERT_EQ(a.GetPeriods(d).size(), b.GetPeriods(d).size());
    for (size_t i = 0; i < a.GetPeriods(d).size(); ++i) {
      EXPECT_EQ(a.GetPeriods(d)[i]->m_StartMinute, b.GetPeriods(d)[i]->m_StartMinute);
      EXPECT_EQ(a.GetPeriods(d)[i]->m_StopMinute, b.GetPeriods(d)[i]->m_StopMinute);
    }
  }
  EXPECT_EQ(a.m_UseCalendar, b.m_UseCalendar);
}

TEST(TimeScheduleTest, NewScheduleHasWeekdaysActiveAndComposesTo186Characters) {
  cTimeSchedule s;
  EXPECT_EQ(s.m_UseCalendar, 0);
  EXPECT_EQ(s.m_NumberOfAxisToPaint, 0);
  EXPECT_EQ(s.PeriodCount(), 0u);
  std::string a = s.ComposePeriodArray();
  ASSERT_EQ(a.size(), 186u);
  for (size_t i = 0; i < a.size(); ++i) {
    size_t day = i / 8, field = (i % 8) / 2;
    bool active_weekday = i < 184 && day < 7 && field == 0;
    EXPECT_EQ(At(a, i), active_weekday ? 255 : 0) << "character " << i;
  }
}

TEST(TimeScheduleTest, PeriodArrayEncodesHighByteFirstAndRoundTrips) {
  cTimeSchedule s;
  Fill(s);
  std::string a = s.ComposePeriodArray();
  ASSERT_EQ(a.size(), 186u + 4 * 5);
  // Day type 0: active -1, grouped -1, count 2, 720 = 02 D0, 780, 480, 600, axis 0.
  const uint8_t day0[] = {255, 255, 255, 255, 0, 2, 2, 208, 3, 12, 1, 224, 2, 88, 0, 0};
  for (size_t i = 0; i < sizeof day0; ++i) EXPECT_EQ(At(a, i), day0[i]) << i;
  // Day type 2 follows day type 1 (8 characters): stop 1440 is 05 A0.
  EXPECT_EQ(At(a, 16 + 8 + 8), 5);
  EXPECT_EQ(At(a, 16 + 8 + 9), 160);

  cTimeSchedule back;
  back.SetDefaultPeriod();  // extraction replaces whatever was there
  back.ExtractPeriodArray(a);
  ExpectSameContent(s, back);
  EXPECT_EQ(back.ComposePeriodArray(), a);
}

TEST(TimeScheduleTest, FileBlockIsLittleEndianAndReadsBackAtItsPosition) {
  cTimeSchedule s;
  Fill(s);
  ByteWriter w;
  w.Int16(4);  // something before the block, as in a profile file
  s.SaveToDisk(w);
  w.Int16(0x1234);  // and something after it
  const std::string& b = w.bytes();
  ASSERT_EQ(b.size(), 2u + 206 + 2);
  const uint8_t day0[] = {255, 255, 255, 255, 2, 0, 208, 2, 12, 3, 224, 1, 88, 2, 0, 0};
  for (size_t i = 0; i < sizeof day0; ++i) EXPECT_EQ(At(b, 2 + i), day0[i]) << i;
  EXPECT_EQ(At(b, 2 + 204), 255);  // m_UseCalendar closes the block
  EXPECT_EQ(At(b, 2 + 205), 255);

  ByteReader r(b);
  r.Int16();
  cTimeSchedule back;
  back.ReadFromDisk(r);
  EXPECT_EQ(r.Int16(), 0x1234);
  EXPECT_TRUE(r.AtEnd());
  ExpectSameContent(s, back);

  cTimeSchedule empty;
  ByteWriter e;
  empty.SaveToDisk(e);
  EXPECT_EQ(e.bytes().size(), 186u);
}

TEST(TimeScheduleTest, NonPositiveCountLeavesNoPeriodsAndValuesStayUnvalidated) {
  ByteWriter w;
  for (int d = 0; d < kDayTypeCount; ++d) {
    w.Int16(d == 0 ? 5 : 0);  // active holds 5, kept as read
    w.Int16(0);
    w.Int16(d == 0 ? -1 : (d == 1 ? -32768 : 0));
    w.Int16(d);  // axis, read right after the count
  }
  w.Int16(7);
  cTimeSchedule s;
  s.SetDefaultPeriod();
  ByteReader r(w.bytes());
  s.ReadFromDisk(r);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(s.PeriodCount(), 0u);
  EXPECT_EQ(s.GetActive(0), 5);
  EXPECT_EQ(s.GetAxis(0), 0);
  EXPECT_EQ(s.GetAxis(22), 22);
  EXPECT_EQ(s.m_UseCalendar, 7);
}

TEST(TimeScheduleTest, EveryCutBlockFailsCleanlyKeepingWhatWasRead) {
  cTimeSchedule full;
  Fill(full);
  ByteWriter w;
  full.SaveToDisk(w);
  const std::string block = w.Take();
  for (size_t cut = 0; cut < block.size(); ++cut) {
    SCOPED_TRACE(cut);
    cTimeSchedule s;
    ByteReader r(std::string_view(block).substr(0, cut));
    EXPECT_THROW(s.ReadFromDisk(r), TruncatedError);
  }
  // Cut inside day type 0's second period: the first period is kept.
  cTimeSchedule s;
  ByteReader r(std::string_view(block).substr(0, 6 + 4 + 2));
  EXPECT_THROW(s.ReadFromDisk(r), TruncatedError);
  ASSERT_EQ(s.GetPeriods(0).size(), 1u);
  EXPECT_EQ(s.GetPeriods(0)[0]->m_StartMinute, 720);
  EXPECT_EQ(s.GetGrouped(0), -1);
  EXPECT_EQ(s.GetActive(6), -1);  // not reached: as constructed
}

TEST(TimeScheduleTest, HugeDeclaredCountNeverOutrunsTheBytes) {
  ByteWriter w;
  w.Int16(-1);
  w.Int16(0);
  w.Int16(30000);
  w.Int16(60);
  w.Int16(120);  // 10 bytes: one period, then nothing
  cTimeSchedule s;
  ByteReader r(w.bytes());
  EXPECT_THROW(s.ReadFromDisk(r), TruncatedError);
  ASSERT_EQ(s.GetPeriods(0).size(), 1u);
  EXPECT_LE(s.GetPeriods(0).capacity(), 1u);

  std::string array("\xFF\xFF\0\0\x75\x30\0\x3C\0\x78\0", 11);  // count 30000, then 1.5 periods
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

TEST(TimeScheduleTest, EveryCutPeriodArrayFailsKeepingDecodedDayTypes) {
  cTimeSchedule full;
  Fill(full);
  const std::string a = full.ComposePeriodArray();
  for (size_t cut = 0; cut < a.size(); ++cut) {
    SCOPED_TRACE(cut);
    cTimeSchedule s;
    EXPECT_THROW(s.ExtractPeriodArray(std::string_view(a).substr(0, cut)), InvalidArgumentError);
  }
  // Cut after day types 0..2 and day type 3's active flag: 0..2 decoded,
  // 3 emptied with its new flag, the rest as they were.
  size_t cut = 16 + 8 + 12 + 2;
  cTimeSchedule s;
  for (int d = 0; d < 5; ++d) s.AppendPeriod(d, 1, 2);
  EXPECT_THROW(s.ExtractPeriodArray(std::string_view(a).substr(0, cut)), InvalidArgumentError);
  EXPECT_EQ(s.GetPeriods(0).size(), 2u);
  EXPECT_EQ(s.GetPeriods(1).size(), 0u);
  EXPECT_EQ(s.GetPeriods(2).size(), 1u);
  EXPECT_EQ(s.GetPeriods(3).size(), 0u);
  EXPECT_EQ(s.GetPeriods(4).size(), 1u);
}

TEST(TimeScheduleTest, DefaultPeriodFillsMondayToFridayAndAppends) {
  cTimeSchedule s;
  s.SetDefaultPeriod();
  for (int d = 0; d < kDayTypeCount; ++d) {
    SCOPED_TRACE(d);
    EXPECT_EQ(s.GetActive(d), d < 7 ? -1 : 0);
    EXPECT_EQ(s.GetGrouped(d), d < 5 ? -1 : 0);
    ASSERT_EQ(s.GetPeriods(d).size(), d < 5 ? 1u : 0u);
    if (d < 5) {
      EXPECT_EQ(s.GetPeriods(d)[0]->m_StartMinute, 420);
      EXPECT_EQ(s.GetPeriods(d)[0]->m_StopMinute, 960);
    }
  }
  s.SetDefaultPeriod();
  EXPECT_EQ(s.GetPeriods(4).size(), 2u);
  EXPECT_NE(s.GetPeriods(4)[0].get(), s.GetPeriods(4)[1].get());
  EXPECT_EQ(s.GetPeriods(4)[1]->m_StopMinute, 960);
}

TEST(TimeScheduleTest, ActiveFlagIsBooleanAndDayTypesAreBounded) {
  cTimeSchedule s;
  EXPECT_EQ(s.SetActive(3, 5), 0);
  EXPECT_EQ(s.GetActive(3), -1);
  s.SetActive(3, 0);
  EXPECT_EQ(s.GetActive(3), 0);
  const std::string before = s.ComposePeriodArray();
  for (int bad : {-1, 23, 32767}) {
    EXPECT_THROW(s.SetActive(bad, 1), SubscriptError);
    EXPECT_THROW(s.GetActive(bad), SubscriptError);
    EXPECT_THROW(s.AppendPeriod(bad, 0, 1), SubscriptError);
    EXPECT_THROW(s.GetPeriods(bad), SubscriptError);
  }
  EXPECT_EQ(s.ComposePeriodArray(), before);
}

TEST(TimeScheduleTest, CountBeyond16BitsRaisesOverflowBeforeWriting) {
  cTimeSchedule s;
  for (int i = 0; i < 32768; ++i) s.AppendPeriod(7, 0, 1);
  ByteWriter w;
  w.Int16(4);
  EXPECT_THROW(s.SaveToDisk(w), OverflowError);
  EXPECT_EQ(w.bytes().size(), 2u);
  EXPECT_THROW(s.ComposePeriodArray(), OverflowError);
}

}  // namespace
}  // namespace orlund
