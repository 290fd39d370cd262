// Times the loads and saves of a full data store: 300 profiles with 50
// periods each and 300 receivers, in a scratch project under /tmp. Prints
// the best and the mean of several rounds for each operation.

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/data_store.h"

namespace {

using namespace orlund;

constexpr int kRounds = 10;

void Fill(DataStore &store) {
  for (int i = 0; i < kProfileCapacity; ++i) {
    ProfileRecord &p = store.profiles.Profiles[i];
    p.ProfileNumber = static_cast<int16_t>(i + 1);
    p.Name = "Profile " + std::to_string(i);
    p.TextA = "on duty";
    for (std::string &t : p.TextList) t = "list entry";
    auto schedule = std::make_unique<cTimeSchedule>();
    for (int k = 0; k < 50; ++k) {
      schedule->AppendPeriod(k % 23, static_cast<int16_t>(k * 10),
                             static_cast<int16_t>(k * 10 + 5));
    }
    store.profiles.ProfileSchedules[i] = std::move(schedule);
  }
  store.profiles.ProfileCount = kProfileCapacity;
  for (int i = 0; i < kReceiverCapacity; ++i) {
    ReceiverRecord &r = store.receivers.Receivers[i];
    r.Name = "Receiver " + std::to_string(i);
    r.ReceiverTypeNumber = 1;
    r.Settings = {Variant::FromText("0171 555 " + std::to_string(i)), Variant::FromInt16(3),
                  Variant::FromText("1200"), Variant()};
  }
  store.receivers.ReceiverCount = kReceiverCapacity;
}

void Time(const char *what, const std::function<bool()> &step) {
  std::vector<double> ms;
  for (int round = 0; round < kRounds; ++round) {
    auto start = std::chrono::steady_clock::now();
    if (!step()) {
      std::printf("%-34s FAILED\n", what);
      return;
    }
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
  }
  double mean = 0;
  for (double m : ms) mean += m;
  mean /= static_cast<double>(ms.size());
  std::printf("%-34s best %8.2f ms   mean %8.2f ms\n", what,
              *std::min_element(ms.begin(), ms.end()), mean);
}

}  // namespace

int main() {
  char pattern[] = "/tmp/orlund-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::string project = std::string(pattern) + "/";
  FixedTexts texts;
  RecordingLog log;
  StoreContext ctx{project, log, texts};
  auto store = std::make_unique<DataStore>();
  Fill(*store);

  std::printf("data files: %d profiles x 50 periods, %d receivers, %d rounds each\n",
              kProfileCapacity, kReceiverCapacity, kRounds);
  Time("SaveAllProfiles (300 files)", [&] { return SaveAllProfiles(store->profiles, ctx); });
  Time("LoadAllProfiles (300 files)",
       [&] { return LoadAllProfiles(store->profiles, ctx) == kProfileCapacity; });
  Time("SaveAllReceivers (300 files)", [&] { return SaveAllReceivers(store->receivers, ctx); });
  Time("LoadAllReceivers (300 files)",
       [&] { return LoadAllReceivers(store->receivers, ctx) == kReceiverCapacity; });
  std::filesystem::remove_all(project);
  return 0;
}
