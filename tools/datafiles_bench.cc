// Loads and saves of a full data store, 300 profiles with 50 periods each and
// 300 receivers, in a scratch project under /tmp. A save with its syncs is
// what the server does: every staged file is flushed to disk before the
// switch; without them (a file system that leaves the flushes out) the
// figure shows what the flushes cost. The server's check of a folder for
// changes by the alarm server, every 10 s on the event thread, lists the
// folder and looks at each file. Run build/bin/datafiles_bench.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "store/data_store.h"
#include "store/directory_stamp.h"
#include "testing/full_store.h"
#include "testing/test_temp_dir.h"

namespace {

using namespace orlund;

// A scratch project holding the full store, removed when the program ends.
class Project {
 public:
  Project() { testing::FillFullStore(*store_); }
  StoreContext context(FileSystem& fs = DefaultFileSystem()) {
    return StoreContext{dir_.path(), log_, texts_, fs};
  }
  DataStore& store() { return *store_; }
  const std::string& path() const { return dir_.path(); }

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

PosixFileSystem& NoSyncs() {
  static PosixFileSystem file_system(/*syncs=*/false);
  return file_system;
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

void BM_SaveAll300Profiles(benchmark::State& state, bool syncs) {
  Project& p = TheProject();
  const StoreContext context = p.context(syncs ? DefaultFileSystem() : NoSyncs());
  Run(state, [&] { return SaveAllProfiles(p.store().profiles, context); });
}
BENCHMARK_CAPTURE(BM_SaveAll300Profiles, with_syncs, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_SaveAll300Profiles, without_syncs, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_SaveAll300Receivers(benchmark::State& state, bool syncs) {
  Project& p = TheProject();
  const StoreContext context = p.context(syncs ? DefaultFileSystem() : NoSyncs());
  Run(state, [&] { return SaveAllReceivers(p.store().receivers, context); });
}
BENCHMARK_CAPTURE(BM_SaveAll300Receivers, with_syncs, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_SaveAll300Receivers, without_syncs, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

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

void BM_ChangeCheckOf300Profiles(benchmark::State& state) {
  Project& p = TheProject();
  if (!SaveAllProfiles(p.store().profiles, p.context())) state.SkipWithError("no files to check");
  DirectoryStamp stamp;
  Run(state, [&] {
    return GetNewestDataFileTime(p.path() + "Profiles", stamp, DefaultFileSystem()) &&
           stamp.file_count == kProfileCapacity;
  });
}
BENCHMARK(BM_ChangeCheckOf300Profiles)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
