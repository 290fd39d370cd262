#pragma once
// A data store filled to capacity for benchmarks: 300 profiles of 50
// schedule periods each and 300 receivers.

#include <memory>
#include <string>

#include "store/data_store.h"

namespace orlund::testing {

inline void FillFullStore(DataStore& store) {
  for (int i = 0; i < kProfileCapacity; ++i) {
    ProfileRecord& p = store.profiles.Profiles[i];
    p.ProfileNumber = static_cast<int16_t>(i + 1);
    p.Name = "Profile " + std::to_string(i);
    p.TextA = "on duty";
    for (std::string& t : p.TextList) t = "list entry";
    auto schedule = std::make_unique<cTimeSchedule>();
    for (int k = 0; k < 50; ++k) {
      schedule->AppendPeriod(k % 23, static_cast<int16_t>(k * 10),
                             static_cast<int16_t>(k * 10 + 5));
    }
    store.profiles.ProfileSchedules[i] = std::move(schedule);
  }
  store.profiles.ProfileCount = kProfileCapacity;
  for (int i = 0; i < kReceiverCapacity; ++i) {
    ReceiverRecord& r = store.receivers.Receivers[i];
    r.Name = "Receiver " + std::to_string(i);
    r.ReceiverTypeNumber = 1;
    r.ReceiverText = "on call";
    r.Settings = {Variant::FromText("0171 555 " + std::to_string(i)), Variant::FromInt16(3),
                  Variant::FromText("1200"), Variant()};
  }
  store.receivers.ReceiverCount = kReceiverCapacity;
}

}  // namespace orlund::testing
