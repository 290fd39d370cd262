#include "protocol/profile_codec.h"

#include "base/errors.h"

namespace orlund {

void EncodeProfile(std::string& out, const ProfileRecord& record, const cTimeSchedule& schedule) {
  const std::string period_array = schedule.ComposePeriodArray();
  EncodeInt16(out, record.ProfileNumber);
  EncodeInt16(out, record.ProfileWord);
  EncodeString(out, record.Name);
  for (int16_t word : record.WordsA) EncodeInt16(out, word);
  EncodeString(out, record.TextA);
  EncodeString(out, record.TextB);
  for (const std::string& text : record.TextList) EncodeString(out, text);
  for (int16_t word : record.WordsB) EncodeInt16(out, word);
  EncodeString(out, record.TextC);
  EncodeInt16(out, record.WordsC[0]);
  // The slot of WordsC element 1 carries WordsB element 2 once more.
  EncodeInt16(out, record.WordsB[2]);
  EncodeString(out, record.TextD);
  EncodeString(out, record.TextE);
  EncodeInt16(out, record.WordD);
  for (int16_t word : record.WordTable) EncodeInt16(out, word);
  EncodeString(out, period_array);
}

std::string EncodeProfile(const ProfileRecord& record, const cTimeSchedule& schedule) {
  std::string out;
  EncodeProfile(out, record, schedule);
  return out;
}

std::unique_ptr<cTimeSchedule> DecodeProfile(PayloadReader& reader, ProfileRecord& record) {
  ProfileRecord decoded = record;
  decoded.ProfileNumber = reader.DecodeInt16();
  decoded.ProfileWord = reader.DecodeInt16();
  decoded.Name = reader.DecodeString();
  for (int16_t& word : decoded.WordsA) word = reader.DecodeInt16();
  decoded.TextA = reader.DecodeString();
  decoded.TextB = reader.DecodeString();
  for (std::string& text : decoded.TextList) text = reader.DecodeString();
  for (int16_t& word : decoded.WordsB) word = reader.DecodeInt16();
  decoded.TextC = reader.DecodeString();
  decoded.WordsC[0] = reader.DecodeInt16();
  decoded.WordsB[2] = reader.DecodeInt16();
  decoded.TextD = reader.DecodeString();
  decoded.TextE = reader.DecodeString();
  decoded.WordD = reader.DecodeInt16();
  for (int16_t& word : decoded.WordTable) word = reader.DecodeInt16();
  const std::string period_array = reader.DecodeString();

  auto schedule = std::make_unique<cTimeSchedule>();
  try {
    schedule->ExtractPeriodArray(period_array);
  } catch (const InvalidArgumentError& e) {
    throw DecodeError(std::string("period array: ") + e.what());
  }
  record = std::move(decoded);
  return schedule;
}

}  // namespace orlund
