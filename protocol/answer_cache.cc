#include "protocol/answer_cache.h"

#include "protocol/catalogue.h"

namespace orlund {
namespace {

size_t Slot(int type) {
  switch (type) {
    case NETWORK_COMMON_RECEIVERTYPES:
      return 0;
    case NETWORK_COMMON_RECEIVERS:
      return 1;
    case NETWORK_COMMON_PROFILES:
      return 2;
    case NETWORK_DAYTYPENAMES:
      return 3;
    case NETWORK_PROFILE_CALENDAR:
      return 4;
    default:
      return 5;
  }
}

}  // namespace

const AnswerCache::Entry& AnswerCache::Find(int type) const { return entries_[Slot(type)]; }

void AnswerCache::Keep(int type, Entry entry) {
  if (Slot(type) < 5) entries_[Slot(type)] = std::move(entry);
}

void AnswerCache::Forget(int type) { entries_[Slot(type)] = Entry{}; }

void AnswerCache::ForgetAll() { entries_.fill(Entry{}); }

}  // namespace orlund
