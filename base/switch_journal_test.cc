#include "base/switch_journal.h"

#include <gtest/gtest.h>

namespace orlund {
namespace {

using Kind = SwitchStep::Kind;

TEST(StagedSwitchJournalTest, RoundTripAndEveryCutOrChangedByteIsRefused) {
  const std::vector<SwitchStep> steps = {
      {Kind::kMoveAside, "Receiver_0004.dat", "NotLoaded/Receiver_0004.dat.20240305-140709", {}},
      {Kind::kReplace, ".~Receiver_0000.dat.12.3.tmp", "Receiver_0000.dat", {7, 46, 123456789}},
      {Kind::kRemove, "Receiver_0005.dat", "", {8, 46, -1}}};
  const std::string bytes = EncodeSwitchJournal(steps);
  EXPECT_EQ(DecodeSwitchJournal(bytes), steps);
  EXPECT_EQ(DecodeSwitchJournal(EncodeSwitchJournal({})), std::vector<SwitchStep>());
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    EXPECT_EQ(DecodeSwitchJournal(bytes.substr(0, cut)), std::nullopt) << cut;
  }
  for (size_t at = 0; at < bytes.size(); ++at) {
    std::string changed = bytes;
    changed[at] ^= 0x20;
    EXPECT_EQ(DecodeSwitchJournal(changed), std::nullopt) << at;
  }
  // Paths outside the directory, even in a journal whose checksum holds.
  for (const SwitchStep& step : std::vector<SwitchStep>{{Kind::kReplace, "a.tmp", "../a", {}},
                                                        {Kind::kMoveAside, "a", "..", {}},
                                                        {Kind::kMoveAside, "a", "N/../../a", {}},
                                                        {Kind::kRemove, "/etc/a", "", {}},
                                                        {Kind::kRemove, "a", "b", {}}}) {
    EXPECT_EQ(DecodeSwitchJournal(EncodeSwitchJournal({step})), std::nullopt) << step.to;
  }
}

}  // namespace
}  // namespace orlund
