#pragma once
// Emptying a slot of a fixed table of records so that it gives its memory
// back. Assigning an empty record would not: a string assigned a short one
// keeps its buffer, so a slot would hold on to the memory of the largest
// record it ever held, also after that record was removed.

#include <memory>

namespace orlund {

template <typename Record>
void EmptySlot(Record& slot) {
  std::destroy_at(&slot);
  std::construct_at(&slot);
}

}  // namespace orlund
