#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer + UndefinedBehaviorSanitizer) in
# build-fuzz and runs each one for a while on a copy of its seed corpus.
#   usage: scripts/fuzz.sh [SECONDS] [TARGET...]   (default 60 seconds each, every target)
# A crash stops the run with the target's report and leaves the crashing input in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DKELVARO_FUZZ=ON -DKELVARO_BUILD_TESTS=OFF \
  -DKELVARO_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-fuzz

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for t in "${targets[@]}"; do
  name=${t#fuzz_}
  corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus"
  # Seeds: the target's own folder, plus every results file the project has for the readers.
  [ -d "fuzz/corpus/$name" ] && cp -n fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true
  case $name in
    reader|redraw)
      for f in examples/*.res tests/data/malformed/* tests/data/*.txt; do
        [ -f "$f" ] && cp -n "$f" "$corpus/$(echo "$f" | tr / _)"
      done ;;
  esac
  echo "== $t: $seconds s"
  (cd build-fuzz && "fuzz/$t" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
     -print_final_stats=1 "corpus/$name" 2>"$t.log") || { tail -60 "build-fuzz/$t.log"; exit 1; }
  grep -E '^#[0-9]+ +(DONE|INITED)|stat::number_of_executed_units|stat::peak_rss_mb' "build-fuzz/$t.log" | tail -3
done
