#!/usr/bin/env bash
# Installs what is missing, builds kelvaro and runs every test (unit tests on the headless backend,
# display tests on Xvfb + jwm). Usage: scripts/test.sh [--sanitize]
#   --sanitize  build in build-asan with AddressSanitizer + UndefinedBehaviorSanitizer instead
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
flags=(-DKELVARO_WERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
  build=build-asan
  flags+=(-DKELVARO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi

scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja "${flags[@]}"
cmake --build "$build"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# fontconfig's caches (reached through cairo's fonts in the calculation sheet) live until exit.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp}
ctest --test-dir "$build" --output-on-failure -j2
