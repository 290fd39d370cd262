#pragma once
// The configuration tables the server keeps for its whole life, in one
// owner that is handed to the code needing them: receiver types, receivers,
// and profiles with their schedules. It is large (several hundred
// kilobytes): keep it on the heap.

#include "store/profiles.h"
#include "store/receiver_types.h"
#include "store/receivers.h"

namespace orlund {

struct DataStore {
  ReceiverTypeTable receiver_types;
  ReceiverTable receivers;
  ProfileTable profiles;
};

}  // namespace orlund
