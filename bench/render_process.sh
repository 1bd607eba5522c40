#!/bin/sh
# One whole kelvaro-render process, from start to the file on disk, for the bridge example: as
# JPEG (target: a mean of at most 30 ms), PNG (within 1.5x of the JPEG run in the same run), SVG
# and the six-frame GIF; then the SVG of a 10,080-member roof made by truss-generate and
# truss-solve (with its size: target <= 3 MB). Uses hyperfine when installed, else a loop timed
# with date.
#
# Then the 100,000-member bridge (truss-generate bridge 25000, solved: 99,999 members, 11 MB)
# with force colours as PNG (target: <= 60 ms CPU per process and >= 4x ahead of gnuplot's
# pngcairo) and as SVG (target: <= 150 ms, no larger than gnuplot's SVG), against gnuplot drawing
# the same members as force-coloured vectors at 700 x 500 (bench/gnuplot_members.sh), all four in
# one hyperfine run, as CPU time (user + system) per process. Needs hyperfine, gnuplot for the
# comparison. With "1m" last, also the peak memory of one process each at 1,000,000 members
# (truss-generate bridge 250000, 117 MB; target <= 150 MB with force colours to PNG), by
# /usr/bin/time.
#
# Usage: bench/render_process.sh [BUILD_DIR] [RUNS] [1m]   (defaults: build, 100)
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build"}
runs=${2:-100}
million=${3:-}
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

# mean_of OUTPUT RESULTS: the mean milliseconds of one process writing OUTPUT from RESULTS.
mean_of() {
    if command -v hyperfine >/dev/null 2>&1; then
        hyperfine --shell=none --warmup 10 --runs "$runs" --export-json "$work/times.json" \
            "$program $2 -o $1" >/dev/null
        sed -n 's/.*"mean": *\([0-9.e+-]*\).*/\1/p' "$work/times.json" | head -n 1 |
            awk '{ printf "%.1f", $1 * 1000 }'
    else
        start=$(date +%s%N)
        i=0
        while [ "$i" -lt "$runs" ]; do
            "$program" "$2" -o "$1"
            i=$((i + 1))
        done
        end=$(date +%s%N)
        awk -v t="$((end - start))" -v n="$runs" 'BEGIN { printf "%.1f", t / n / 1e6 }'
    fi
}

mean_ms=$(mean_of "$output" "$results")
echo "kelvaro-render bridge.res -> JPEG: mean $mean_ms ms per process (target <= 30 ms)"
png_ms=$(mean_of "$work/bridge.png" "$results")
ratio=$(awk -v a="$png_ms" -v b="$mean_ms" 'BEGIN { printf "%.2f", a / b }')
echo "kelvaro-render bridge.res -> PNG: mean $png_ms ms per process, $ratio x the JPEG run (target <= 1.5 x)"
echo "kelvaro-render bridge.res -> SVG: mean $(mean_of "$work/bridge.svg" "$results") ms per process"
echo "kelvaro-render bridge.res -> GIF (6 frames): mean $(mean_of "$work/bridge.gif" "$results") ms per process"

if [ -x "$build/tools/truss-generate" ] && [ -x "$build/tools/truss-solve" ]; then
    "$build/tools/truss-generate" roof 35 36 | "$build/tools/truss-solve" -o "$work/roof.res" - >/dev/null
    roof_ms=$(mean_of "$work/roof.svg" "$work/roof.res")
    roof_jpeg_ms=$(mean_of "$work/roof.jpg" "$work/roof.res")
    bytes=$(wc -c <"$work/roof.svg")
    echo "kelvaro-render roof.res (10,080 members) -> SVG: mean $roof_ms ms per process" \
         "($roof_jpeg_ms ms as JPEG), $bytes bytes (target <= 3 MB)"
fi

if ! [ -x "$build/tools/truss-generate" ] || ! [ -x "$build/tools/truss-solve" ] ||
    ! command -v hyperfine >/dev/null 2>&1; then
    echo "100k bridge: needs truss-generate, truss-solve and hyperfine" >&2
    exit 0
fi
big="$work/bridge100k.res"
"$build/tools/truss-generate" bridge 25000 | "$build/tools/truss-solve" -o "$big" - >/dev/null
big_runs=$(( runs / 5 > 10 ? runs / 5 : 10 ))
set -- "$program $big --colour-forces -o $work/big.png" "$program $big --colour-forces -o $work/big.svg"
if command -v gnuplot >/dev/null 2>&1; then
    "$here/bench/gnuplot_members.sh" "$big" "$work/gnuplot"
    set -- "$@" "gnuplot $work/gnuplot/members-png.gp" "gnuplot $work/gnuplot/members-svg.gp"
fi
hyperfine --shell=none --warmup 3 --runs "$big_runs" --export-csv "$work/big.csv" "$@" >/dev/null 2>&1
# One line per command: CPU ms (user + system) and wall ms, means.
awk -F, 'NR > 1 { printf "%.1f %.1f\n", ($5 + $6) * 1000, $2 * 1000 }' "$work/big.csv" >"$work/big.ms"
cpu() { sed -n "${1}p" "$work/big.ms" | cut -d" " -f1; }
png_cpu=$(cpu 1)
svg_cpu=$(cpu 2)
png_bytes=$(wc -c <"$work/big.png")
svg_bytes=$(wc -c <"$work/big.svg")
echo "kelvaro-render 100k bridge --colour-forces -> PNG: $png_cpu ms CPU per process (target <= 60 ms), $png_bytes bytes"
echo "kelvaro-render 100k bridge --colour-forces -> SVG: $svg_cpu ms CPU per process (target <= 150 ms), $svg_bytes bytes"
if [ -s "$work/gnuplot/gnuplot.svg" ]; then
    gnuplot_png=$(cpu 3)
    gnuplot_svg=$(cpu 4)
    gnuplot_svg_bytes=$(wc -c <"$work/gnuplot/gnuplot.svg")
    echo "gnuplot, the same members -> pngcairo: $gnuplot_png ms CPU, $(awk -v g="$gnuplot_png" -v k="$png_cpu" \
        'BEGIN { printf "%.1f", g / k }') x kelvaro's PNG (target >= 4 x)"
    echo "gnuplot, the same members -> svg: $gnuplot_svg ms CPU, $gnuplot_svg_bytes bytes" \
        "(kelvaro's SVG: $(awk -v k="$svg_bytes" -v g="$gnuplot_svg_bytes" 'BEGIN { printf "%.3f", k / g }') x its size, target <= 1)"
fi

if [ "$million" = 1m ] && [ -x /usr/bin/time ]; then
    huge="$work/bridge1m.res"
    "$build/tools/truss-generate" bridge 250000 | "$build/tools/truss-solve" -o "$huge" - >/dev/null
    peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1 | awk '{ printf "%.0f", $1 / 1024 }'; }
    echo "kelvaro-render 1M bridge --colour-forces -> PNG: peak $(peak "$program" "$huge" --colour-forces -o "$work/huge.png") MB (target <= 150 MB)"
    echo "kelvaro-render 1M bridge --colour-forces -> SVG: peak $(peak "$program" "$huge" --colour-forces -o "$work/huge.svg") MB"
    if command -v gnuplot >/dev/null 2>&1; then
        "$here/bench/gnuplot_members.sh" "$huge" "$work/gnuplot1m"
        echo "gnuplot, the same members -> pngcairo: peak $(peak gnuplot "$work/gnuplot1m/members-png.gp") MB"
    fi
fi
