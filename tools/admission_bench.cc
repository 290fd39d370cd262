// Admission of a connecting peer: MatchWildcard against the patterns of an
// allow-list, and the whole list. Run build/bin/admission_bench.

#include <benchmark/benchmark.h>

#include <string>

#include "server/admission.h"

namespace {

using orlund::IsAddressAllowed;
using orlund::MatchWildcard;

void BM_MatchWildcard(benchmark::State& state, const char* address, const char* pattern) {
  const std::string text = address;
  const std::string wildcard = pattern;
  for (auto _ : state) benchmark::DoNotOptimize(MatchWildcard(text, wildcard));
}
BENCHMARK_CAPTURE(BM_MatchWildcard, exact, "192.168.100.200", "192.168.100.200");
BENCHMARK_CAPTURE(BM_MatchWildcard, star_tail, "192.168.100.200", "192.168.*");
BENCHMARK_CAPTURE(BM_MatchWildcard, stars_and_marks, "192.168.100.200", "1*.1?8.*.2*");
BENCHMARK_CAPTURE(BM_MatchWildcard, mismatch, "10.0.0.55", "1*5");

// A peer matched by the last of 20 patterns.
void BM_IsAddressAllowedLastOf20(benchmark::State& state) {
  std::string list;
  for (int i = 0; i < 19; ++i) list += "10.0." + std::to_string(i) + ".*,";
  list += "127.0.0.*";
  const std::string address = "127.0.0.1";
  for (auto _ : state) benchmark::DoNotOptimize(IsAddressAllowed(address, list));
}
BENCHMARK(BM_IsAddressAllowedLastOf20);

}  // namespace

BENCHMARK_MAIN();
