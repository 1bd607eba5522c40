#!/bin/sh
# Time against model size: runs bench_app_sizes, keeps its figures as a CSV and draws them with
# gnuplot (CPU time per call against members, both axes logarithmic: linear growth is a line of
# slope 1).
#
# Usage: bench/plot_sizes.sh [BUILD_DIR] [OUT_DIR]   (defaults: build-rel if present else build, .)
# Writes OUT_DIR/sizes.csv and OUT_DIR/sizes.png.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
if [ -d "$here/build-rel" ]; then default_build="$here/build-rel"; else default_build="$here/build"; fi
build=${1:-"$default_build"}
out=${2:-.}
mkdir -p "$out"
"$build/bench/bench_app_sizes" --benchmark_out="$out/sizes.csv" --benchmark_out_format=csv >/dev/null

# One "members cpu_ms" table per benchmark, separated by two blank lines (gnuplot data blocks).
data="$out/sizes.dat"
awk -F, '/^"BM_/ {
    gsub(/"/, "", $1); split($1, part, "/"); name = part[1]; sub(/^BM_/, "", name)
    ms = $4; if ($5 == "ns") ms /= 1e6; else if ($5 == "us") ms /= 1e3; else if ($5 == "s") ms *= 1e3
    if (name != last) { if (last != "") printf "\n\n"; printf "# %s\n", name; last = name; names = names " " name }
    printf "%s %g\n", part[2], ms
} END { print names > "/dev/stderr" }' "$out/sizes.csv" >"$data" 2>"$out/sizes.names"

gnuplot <<PLOT
set terminal pngcairo size 900,600 noenhanced
set output "$out/sizes.png"
set logscale xy
set xrange [500:200000]
set xlabel "members"
set ylabel "CPU time per call (ms)"
set key top left
set grid
names = "$(cat "$out/sizes.names")"
plot for [i=1:words(names)] "$data" index (i-1) using 1:2 with linespoints title word(names, i)
PLOT
rm -f "$out/sizes.names"
echo "$out/sizes.png"
