#include "schedule/time_schedule.h"

#include <algorithm>
#include <limits>

#include "base/errors.h"

namespace orlund {

namespace {

// Two-character integer encoding of the period array: the character whose
// code is the high byte of the 16-bit pattern, then the low byte's. This is
// the IntegerToChars / CharsToInteger pair of the shared text utilities
// (store/text_utils.h), kept privately here until that header is in place.
void AppendIntegerChars(std::string& out, int16_t value) {
  uint16_t bits = static_cast<uint16_t>(value);
  out.push_back(static_cast<char>(bits >> 8));
  out.push_back(static_cast<char>(bits & 0xFF));
}

// Reads the pair at `pos` and advances past it; raises InvalidArgumentError
// naming the first missing character (counted from 1) when the text ends.
int16_t ReadIntegerChars(std::string_view text, size_t& pos) {
  if (text.size() - pos < 2) {
    throw InvalidArgumentError("period array ends before character " +
                               std::to_string(text.size() + 1));
  }
  uint16_t bits = static_cast<uint16_t>((static_cast<uint8_t>(text[pos]) << 8) |
                                        static_cast<uint8_t>(text[pos + 1]));
  pos += 2;
  return static_cast<int16_t>(bits);
}

int16_t AsBoolean(int32_t state) { return state != 0 ? -1 : 0; }

}  // namespace

cTimeSchedule::cTimeSchedule() {
  for (int d = 0; d < kWeekdayCount; ++d) m_DayTypeActive[d] = -1;
}

size_t cTimeSchedule::Index(int day_type) {
  if (day_type < 0 || day_type >= kDayTypeCount) {
    throw SubscriptError("day type " + std::to_string(day_type) + " outside 0..22");
  }
  return static_cast<size_t>(day_type);
}

void cTimeSchedule::ClearPeriods(size_t day) {
  for (const auto& period : m_Periods[day]) {
    if (period.get() == m_SelectedPeriod) m_SelectedPeriod = nullptr;
    if (period.get() == m_DragPeriod) m_DragPeriod = nullptr;
  }
  m_Periods[day].clear();
}

void cTimeSchedule::CheckCountsFit() const {
  for (size_t d = 0; d < kDayTypeCount; ++d) {
    if (m_Periods[d].size() > static_cast<size_t>(std::numeric_limits<int16_t>::max())) {
      throw OverflowError("day type " + std::to_string(d) + " has " +
                          std::to_string(m_Periods[d].size()) +
                          " periods, more than a 16-bit count holds");
    }
  }
}

void cTimeSchedule::SaveToDisk(ByteWriter& out) const {
  CheckCountsFit();
  for (size_t d = 0; d < kDayTypeCount; ++d) {
    out.Int16(m_DayTypeActive[d]);
    out.Int16(m_DayTypeGrouped[d]);
    out.Int16(static_cast<int32_t>(m_Periods[d].size()));
    for (const auto& period : m_Periods[d]) {
      out.Int16(period->m_StartMinute);
      out.Int16(period->m_StopMinute);
    }
    out.Int16(m_DayTypeAxis[d]);
  }
  out.Int16(m_UseCalendar);
}

void cTimeSchedule::ReadFromDisk(ByteReader& in) {
  for (size_t d = 0; d < kDayTypeCount; ++d) {
    m_DayTypeActive[d] = in.Int16();
    m_DayTypeGrouped[d] = in.Int16();
    ClearPeriods(d);
    int16_t count = in.Int16();
    // Reserve no more than the remaining bytes can hold: a damaged count
    // must not make the reader allocate for periods that are not there.
    if (count > 0) {
      m_Periods[d].reserve(std::min(static_cast<size_t>(count), in.remaining() / 4));
    }
    for (int16_t i = 0; i < count; ++i) {
      int16_t start = in.Int16();
      int16_t stop = in.Int16();
      m_Periods[d].push_back(std::make_unique<cTimeSchedulePeriod>(start, stop));
    }
    m_DayTypeAxis[d] = in.Int16();
  }
  m_UseCalendar = in.Int16();
}

std::string cTimeSchedule::ComposePeriodArray() const {
  CheckCountsFit();
  std::string out;
  out.reserve(186 + 4 * PeriodCount());
  for (size_t d = 0; d < kDayTypeCount; ++d) {
    AppendIntegerChars(out, m_DayTypeActive[d]);
    AppendIntegerChars(out, m_DayTypeGrouped[d]);
    AppendIntegerChars(out, static_cast<int16_t>(m_Periods[d].size()));
    for (const auto& period : m_Periods[d]) {
      AppendIntegerChars(out, period->m_StartMinute);
      AppendIntegerChars(out, period->m_StopMinute);
    }
    AppendIntegerChars(out, m_DayTypeAxis[d]);
  }
  AppendIntegerChars(out, m_UseCalendar);
  return out;
}

void cTimeSchedule::ExtractPeriodArray(std::string_view period_array) {
  size_t pos = 0;
  for (size_t d = 0; d < kDayTypeCount; ++d) {
    ClearPeriods(d);
    m_DayTypeActive[d] = ReadIntegerChars(period_array, pos);
    m_DayTypeGrouped[d] = ReadIntegerChars(period_array, pos);
    int16_t count = ReadIntegerChars(period_array, pos);
    for (int16_t i = 0; i < count; ++i) {
      int16_t start = ReadIntegerChars(period_array, pos);
      int16_t stop = ReadIntegerChars(period_array, pos);
      m_Periods[d].push_back(std::make_unique<cTimeSchedulePeriod>(start, stop));
    }
    m_DayTypeAxis[d] = ReadIntegerChars(period_array, pos);
  }
  m_UseCalendar = ReadIntegerChars(period_array, pos);
}

int16_t cTimeSchedule::SetActive(int day_type, int32_t state) {
  m_DayTypeActive[Index(day_type)] = AsBoolean(state);
  return 0;
}

int16_t cTimeSchedule::GetActive(int day_type) const { return m_DayTypeActive[Index(day_type)]; }

int16_t cTimeSchedule::GetGrouped(int day_type) const { return m_DayTypeGrouped[Index(day_type)]; }

void cTimeSchedule::SetGrouped(int day_type, int32_t state) {
  m_DayTypeGrouped[Index(day_type)] = AsBoolean(state);
}

int16_t cTimeSchedule::GetAxis(int day_type) const { return m_DayTypeAxis[Index(day_type)]; }

void cTimeSchedule::SetAxis(int day_type, int16_t axis) { m_DayTypeAxis[Index(day_type)] = axis; }

const cTimeSchedule::PeriodList& cTimeSchedule::GetPeriods(int day_type) const {
  return m_Periods[Index(day_type)];
}

cTimeSchedulePeriod& cTimeSchedule::AppendPeriod(int day_type, int16_t start_minute,
                                                 int16_t stop_minute) {
  PeriodList& list = m_Periods[Index(day_type)];
  list.push_back(std::make_unique<cTimeSchedulePeriod>(start_minute, stop_minute));
  return *list.back();
}

size_t cTimeSchedule::PeriodCount() const {
  size_t total = 0;
  for (const auto& list : m_Periods) total += list.size();
  return total;
}

std::string MinutesToTimeText(int32_t minute) {
  std::string hours = "00" + std::to_string(minute / 60);
  std::string minutes = "00" + std::to_string(minute % 60);
  return hours.substr(hours.size() - 2) + ":" + minutes.substr(minutes.size() - 2);
}

std::string PeriodsText(const cTimeSchedule& schedule, int day_type) {
  std::string text;
  for (const auto& period : schedule.GetPeriods(day_type)) {
    if (!text.empty()) text += ", ";
    text +=
        MinutesToTimeText(period->m_StartMinute) + "-" + MinutesToTimeText(period->m_StopMinute);
  }
  return text;
}

}  // namespace orlund
