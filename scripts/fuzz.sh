#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ (clang, with ASan and UBSan, into
# build-fuzz/) and runs them:
#
#   scripts/fuzz.sh [-j N] TARGET SECONDS [LIBFUZZER_FLAGS...]
#   scripts/fuzz.sh [-j N] all SECONDS [LIBFUZZER_FLAGS...]
#   scripts/fuzz.sh seeds
#
# TARGET is a name of fuzz/NAME_fuzz.cc; "all" runs every target, N at a
# time (default 1). SECONDS 0 runs without a time limit, e.g.
# "scripts/fuzz.sh dispatch 0 -runs=10000000"; with -fork=N that run uses N
# worker processes, one per processor. New inputs go to
# build-fuzz/corpus/TARGET/, the checked-in seeds of fuzz/corpus/TARGET/ are
# only read. Fails when a target finds a crash, a leak, a timeout or a broken
# property; the input that did it is kept in build-fuzz/artifacts/TARGET/ and
# the run's output in build-fuzz/logs/TARGET.log; once the fault is fixed it
# joins the seeds as fuzz/corpus/TARGET/fault-NAME. "seeds" rewrites the
# generated seeds of fuzz/corpus/ from the example project and the messages
# the tests use.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  sed -n '2,19p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

jobs=1
if [ "${1:-}" = "-j" ]; then
  [ $# -ge 2 ] || usage
  jobs=$2
  shift 2
fi
[ $# -ge 1 ] || usage
what=$1
shift
targets=()
for source in fuzz/*_fuzz.cc; do
  name=$(basename "$source" _fuzz.cc)
  targets+=("$name")
done
case "$what" in
  seeds) ;;
  all) [ $# -ge 1 ] || usage ;;
  *)
    [ $# -ge 1 ] || usage
    [ -f "fuzz/${what}_fuzz.cc" ] || { echo "no fuzz target '$what' (${targets[*]})" >&2; exit 2; }
    ;;
esac

# clang and its sanitizer and libFuzzer runtimes, besides what the build needs.
./scripts/deps.sh clang libclang-rt-dev

dir=build-fuzz
flags=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DORLUND_FUZZ=ON)
command -v ccache >/dev/null && flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ -f "$dir/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt"; then
  rm -rf "$dir"
fi
cmake -S . -B "$dir" "${flags[@]}" >/dev/null
case "$what" in
  seeds) build=(make-fuzz-seeds) ;;
  all) build=(fuzz_all) ;;
  *) build=("${what}_fuzz") ;;
esac
# Two compilers at most: the machines are shared.
cmake --build "$dir" -j 2 --target "${build[@]}"

if [ "$what" = seeds ]; then
  # Overwrites the generated seeds; the inputs of faults found (fault-*) stay.
  "$dir/bin/make-fuzz-seeds" fuzz/corpus
  echo "seeds: $(find fuzz/corpus -type f | wc -l) files in fuzz/corpus/"
  exit 0
fi

seconds=$1
shift
mkdir -p "$dir/logs"
# ASan's filling of new memory only costs time here; UBSan names where.
export ASAN_OPTIONS=${ASAN_OPTIONS:-max_malloc_fill_size=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

# Runs one target; its exit status, and a summary line on stdout.
run() {
  local name=$1
  shift
  local corpus="$dir/corpus/$name" artifacts="$dir/artifacts/$name" log="$dir/logs/$name.log"
  mkdir -p "$corpus" "$artifacts"
  local extra=()
  [ -f "fuzz/$name.dict" ] && extra+=("-dict=fuzz/$name.dict")
  local status=0
  "$dir/bin/${name}_fuzz" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "${extra[@]}" "$@" "$corpus" "fuzz/corpus/$name" \
    >"$log" 2>&1 || status=$?
  local runs speed cov
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  if [ -z "$runs" ] || [ "$runs" = 0 ]; then
    # With -fork=N the final figures are the last progress line of the
    # process that ran the workers (its own count stays 0).
    local last seconds
    last=$(grep -E '^#[0-9]+: cov:' "$log" | tail -1 || true)
    runs=$(sed -nE 's/^#([0-9]+):.*/\1/p' <<<"$last")
    seconds=$(sed -nE 's/.* time: ([0-9]+)s.*/\1/p' <<<"$last")
    [ -n "$runs" ] && [ "${seconds:-0}" -gt 0 ] && speed=$((runs / seconds))
  fi
  cov=$(grep -E '^#[0-9]+.*(DONE|cov:)' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+' || true)
  if [ "$status" -eq 0 ]; then
    echo "$name: ${runs:-?} runs, ${speed:-?}/s, ${cov:-no coverage line}, no crash"
  elif grep -q 'libFuzzer: run interrupted' "$log" && ! grep -qE 'ERROR:|property broken' "$log"; then
    # Stopped by a signal (^C, kill -INT): not a fault, but not a whole run.
    echo "$name: interrupted after ${runs:-?} runs, ${speed:-?}/s, ${cov:-no coverage line}, no crash until then"
  else
    echo "$name: FAILED (exit $status) after ${runs:-?} runs; see $log and $artifacts/"
    grep -E 'ERROR:|property broken|SUMMARY:|Test unit written' "$log" | head -20 | sed 's/^/  /'
  fi
  return "$status"
}

if [ "$what" != all ]; then
  run "$what" "$@"
  exit
fi

rm -f "$dir"/logs/*.status
for name in "${targets[@]}"; do
  # Start the next target once fewer than `jobs` run.
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
    wait -n || true
  done
  (
    status=0
    run "$name" "$@" || status=$?
    echo "$status" >"$dir/logs/$name.status"
  ) &
done
wait
failed=()
for name in "${targets[@]}"; do
  [ "$(cat "$dir/logs/$name.status" 2>/dev/null)" = 0 ] || failed+=("$name")
done
if ((${#failed[@]})); then
  echo "fuzzing found faults: ${failed[*]}" >&2
  exit 1
fi
echo "fuzzing: no target found a fault"
