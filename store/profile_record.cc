#include "store/profile_record.h"

#include "base/file_text.h"

namespace orlund {

void EncodeProfileRecord(const ProfileRecord& r, ByteWriter& out) {
  out.Int16(r.ProfileNumber);
  out.Int16(r.ProfileWord);
  WriteFileText(out, r.Name);
  for (int16_t w : r.WordsA) out.Int16(w);
  WriteFileText(out, r.TextA);
  WriteFileText(out, r.TextB);
  for (const std::string& t : r.TextList) WriteFileText(out, t);
  for (int16_t w : r.WordsB) out.Int16(w);
  WriteFileText(out, r.TextC);
  for (int16_t w : r.WordsC) out.Int16(w);
  WriteFileText(out, r.TextD);
  WriteFileText(out, r.TextE);
  out.Int16(r.WordD);
  for (int16_t w : r.WordTable) out.Int16(w);
}

void DecodeProfileRecord(ByteReader& in, ProfileRecord& r) {
  r.ProfileNumber = in.Int16();
  r.ProfileWord = in.Int16();
  r.Name = in.Text();
  for (int16_t& w : r.WordsA) w = in.Int16();
  r.TextA = in.Text();
  r.TextB = in.Text();
  for (std::string& t : r.TextList) t = in.Text();
  for (int16_t& w : r.WordsB) w = in.Int16();
  r.TextC = in.Text();
  for (int16_t& w : r.WordsC) w = in.Int16();
  r.TextD = in.Text();
  r.TextE = in.Text();
  r.WordD = in.Int16();
  for (int16_t& w : r.WordTable) w = in.Int16();
}

}  // namespace orlund
