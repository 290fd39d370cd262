#pragma once
// A table's changes that are not yet on disk, counted. Every change raises
// the generation (the request handlers write "ReceiversChanged = true"); a
// save records the generation of its snapshot, so that a change made while
// the save ran is still pending after it.

#include <algorithm>
#include <cstdint>

namespace orlund {

class PendingChanges {
 public:
  // true: one more change; false: everything counts as saved.
  PendingChanges& operator=(bool changed) {
    if (changed) {
      ++generation_;
    } else {
      saved_ = generation_;
    }
    return *this;
  }
  // True while a change is not saved.
  explicit operator bool() const { return saved_ != generation_; }

  uint64_t generation() const { return generation_; }
  // The changes up to `generation` are on disk.
  void Saved(uint64_t generation) { saved_ = std::max(saved_, generation); }

 private:
  uint64_t generation_ = 0;
  uint64_t saved_ = 0;
};

}  // namespace orlund
