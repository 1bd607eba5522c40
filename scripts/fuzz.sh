#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer + UndefinedBehaviorSanitizer) in
# build-fuzz and runs each one for a while on a copy of its seed corpus.
#   usage: scripts/fuzz.sh [-jobs N] [-large] [SECONDS] [TARGET...]
#     SECONDS   how long each target runs (default 60)
#     -jobs N   N fuzzing processes per target sharing one corpus (e.g. one per core; default 1)
#     -large    also seed the reader and redraw targets with the large results files (the examples
#               and test files above 4 KiB) and let inputs grow to 64 KiB; without it the small
#               seeds of fuzz/corpus/NAME (each at most 4 KiB) and inputs of at most 4 KiB
#               keep every execution short, so the fuzzer reaches depth sooner
# A crash stops the run with the target's report and leaves the crashing input in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=1
large=0
while [ $# -gt 0 ]; do
  case $1 in
    -jobs|--jobs) jobs=$2; shift 2 ;;
    -jobs=*|--jobs=*) jobs=${1#*=}; shift ;;
    -large|--large) large=1; shift ;;
    *) break ;;
  esac
done
case $jobs in ''|*[!0-9]*|0) echo "fuzz.sh: -jobs takes a whole number above 0" >&2; exit 2 ;; esac
seconds=${1:-60}
shift || true

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DKELVARO_FUZZ=ON -DKELVARO_BUILD_TESTS=OFF \
  -DKELVARO_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-fuzz --target "${targets[@]}"

max_len=4096
[ "$large" = 1 ] && max_len=65536
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for t in "${targets[@]}"; do
  name=${t#fuzz_}
  corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=()
  case $name in
    reader|redraw)
      [ -d fuzz/corpus/reader ] && seeds+=("../fuzz/corpus/reader")
      if [ "$large" = 1 ]; then
        rm -rf build-fuzz/seeds-large && mkdir -p build-fuzz/seeds-large
        for f in examples/*.res tests/data/malformed/* tests/data/*.txt; do
          [ -f "$f" ] && [ "$(stat -c %s "$f")" -gt 4096 ] && cp "$f" "build-fuzz/seeds-large/$(echo "$f" | tr / _)"
        done
        seeds+=("seeds-large")
      fi ;;
    *)
      [ -d "fuzz/corpus/$name" ] && seeds+=("../fuzz/corpus/$name") ;;
  esac
  echo "== $t: $seconds s, $jobs job(s), inputs up to $max_len bytes"
  rm -f build-fuzz/fuzz-*.log
  # New inputs go to the first folder (build-fuzz/corpus/NAME); the seed folders are only read.
  parallel=()
  [ "$jobs" -gt 1 ] && parallel=(-jobs="$jobs" -workers="$jobs")
  (cd build-fuzz && "fuzz/$t" -max_total_time="$seconds" -max_len="$max_len" -rss_limit_mb=2048 \
     -print_final_stats=1 "${parallel[@]}" "corpus/$name" "${seeds[@]}" >"$t.log" 2>&1) ||
    { tail -60 "build-fuzz/$t.log"; for l in build-fuzz/fuzz-*.log; do [ -f "$l" ] && tail -40 "$l"; done; exit 1; }
  logs=("build-fuzz/$t.log")
  [ "$jobs" -gt 1 ] && logs=(build-fuzz/fuzz-*.log)
  for l in "${logs[@]}"; do
    grep -E '^#[0-9]+ +(DONE|INITED)|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb' "$l" |
      tail -4
  done
done
