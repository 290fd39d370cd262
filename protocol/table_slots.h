#pragma once
// The two steps every request on a table of named records shares: finding a
// record by name and removing one. Tables are fixed arrays whose used slots
// 0 to count - 1 come first; records carry their key in `Name`.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/empty_slot.h"
#include "base/text_case.h"

namespace orlund {

// The first used slot, from slot 0 upward, whose Name equals `name` once both
// are upper-cased; -1 when there is none.
template <typename Record, size_t N>
int FindSlotByName(const std::array<Record, N>& slots, int count, std::string_view name) {
  for (int i = 0; i < count && i < static_cast<int>(N); ++i) {
    if (EqualsIgnoreCase1252(slots[i].Name, name)) return i;
  }
  return -1;
}

// Removes used slot `slot` from each of the parallel tables: every later used
// slot moves one down, in ascending order, the slot left free at the end
// is emptied, and `count` decreases by one. The records move by swapping, so
// each keeps its own buffers and the removed one's are freed at the end.
template <typename... Tables>
void RemoveSlot(int slot, int16_t& count, Tables&... tables) {
  const auto remove = [&](auto& table) {
    std::rotate(table.begin() + slot, table.begin() + slot + 1, table.begin() + count);
    EmptySlot(table[count - 1]);
  };
  (remove(tables), ...);
  --count;
}

}  // namespace orlund
