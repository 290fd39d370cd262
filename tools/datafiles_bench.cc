// Loads and saves of a full data store, 300 profiles with 50 periods each and
// 300 receivers, in a scratch project under /tmp. Saves are real: every
// staged file is flushed to disk before the renames. Run
// build/bin/datafiles_bench.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "store/data_store.h"
#include "testing/test_temp_dir.h"

namespace {

using namespace orlund;

void Fill(DataStore& store) {
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
    r.Settings = {Variant::FromText("0171 555 " + std::to_string(i)), Variant::FromInt16(3),
                  Variant::FromText("1200"), Variant()};
  }
  store.receivers.ReceiverCount = kReceiverCapacity;
}

// A scratch project holding the full store, removed when the program ends.
class Project {
 public:
  Project() { Fill(*store_); }
  StoreContext context() { return StoreContext{dir_.path(), log_, texts_}; }
  DataStore& store() { return *store_; }

 private:
  TestTempDir dir_;
  FixedTexts texts_;
  RecordingLog log_;
  std::unique_ptr<DataStore> store_ = std::make_unique<DataStore>();
};

Project& TheProject() {
  static Project project;
  return project;
}

// Runs `step` as one iteration; a failure stops the benchmark with an error.
template <typename Step>
void Run(benchmark::State& state, Step step) {
  for (auto _ : state) {
    if (!step()) {
      state.SkipWithError("the step failed");
      break;
    }
  }
  state.SetItemsProcessed(300 * state.iterations());
}

void BM_SaveAll300Profiles(benchmark::State& state) {
  Project& p = TheProject();
  Run(state, [&] { return SaveAllProfiles(p.store().profiles, p.context()); });
}
BENCHMARK(BM_SaveAll300Profiles)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveAll300Receivers(benchmark::State& state) {
  Project& p = TheProject();
  Run(state, [&] { return SaveAllReceivers(p.store().receivers, p.context()); });
}
BENCHMARK(BM_SaveAll300Receivers)->Unit(benchmark::kMillisecond)->UseRealTime();

// Saving without syncs (through a file-system seam under StagedFiles) goes
// here, beside the real saves, to show what the flushes cost.

void BM_LoadAll300Profiles(benchmark::State& state) {
  Project& p = TheProject();
  if (!SaveAllProfiles(p.store().profiles, p.context())) state.SkipWithError("no files to load");
  Run(state, [&] { return LoadAllProfiles(p.store().profiles, p.context()) == kProfileCapacity; });
}
BENCHMARK(BM_LoadAll300Profiles)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadAll300Receivers(benchmark::State& state) {
  Project& p = TheProject();
  if (!SaveAllReceivers(p.store().receivers, p.context())) state.SkipWithError("no files to load");
  Run(state,
      [&] { return LoadAllReceivers(p.store().receivers, p.context()) == kReceiverCapacity; });
}
BENCHMARK(BM_LoadAll300Receivers)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
