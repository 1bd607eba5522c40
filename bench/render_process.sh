#!/bin/sh
# One whole kelvaro-render process, from start to the JPEG file on disk, for the bridge example.
# Target: a mean of at most 30 ms. Uses hyperfine when installed, else a loop timed with date.
#
# Usage: bench/render_process.sh [BUILD_DIR] [RUNS]   (defaults: build, 100)
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build"}
runs=${2:-100}
program="$build/app/kelvaro-render"
results="$here/examples/bridge.res"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
output="$work/bridge.jpg"

if [ ! -x "$program" ]; then
    echo "render_process.sh: $program not built (ninja -C $build kelvaro-render)" >&2
    exit 2
fi
"$program" "$results" -o "$output"

if command -v hyperfine >/dev/null 2>&1; then
    hyperfine --shell=none --warmup 10 --runs "$runs" --export-json "$work/times.json" \
        "$program $results -o $output"
    mean_ms=$(sed -n 's/.*"mean": *\([0-9.e+-]*\).*/\1/p' "$work/times.json" | head -n 1 |
              awk '{ printf "%.1f", $1 * 1000 }')
else
    start=$(date +%s%N)
    i=0
    while [ "$i" -lt "$runs" ]; do
        "$program" "$results" -o "$output"
        i=$((i + 1))
    done
    end=$(date +%s%N)
    mean_ms=$(awk -v t="$((end - start))" -v n="$runs" 'BEGIN { printf "%.1f", t / n / 1e6 }')
fi
echo "kelvaro-render bridge.res -> JPEG: mean $mean_ms ms per process (target <= 30 ms)"
