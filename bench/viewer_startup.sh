#!/bin/sh
# Start-up figures of the viewer: launch to the first frame on the screen (aim <= 150 ms) and
# resident memory at that moment (aim <= 25 MB), for `kelvaro examples/bridge.res` under Xvfb +
# jwm. One warm-up launch, then RUNS measured ones; the medians are compared with the aims.
#   usage: bench/viewer_startup.sh [BUILD_DIR] [RUNS] [FILE AIM_MS AIM_MB]   (default: build, 7)
# FILE is opened instead of the bridge, with its own aims: the 1,000,000-member bridge (117 MB,
# aims 500 ms and 120 MB) is made by the project's tools, and not kept in the repository:
#   build/tools/truss-generate bridge 250000 | build/tools/truss-solve -o /tmp/bridge-1m.res -
#   bench/viewer_startup.sh build 5 /tmp/bridge-1m.res 500 120
# Exit code 0 when both medians are within their aims, 1 when not, 2 when it could not measure.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-7}
file=${3:-$root/examples/bridge.res}
kelvaro=$build/app/kelvaro
first_frame=$build/bench/first_frame
for program in "$kelvaro" "$first_frame"; do
    [ -x "$program" ] || { echo "missing $program: build with ninja -C $build kelvaro first_frame" >&2; exit 2; }
done
aim_ms=${4:-150}
aim_kb=$((${5:-25} * 1024))

if [ -z "${KELVARO_IN_SESSION:-}" ]; then
    KELVARO_IN_SESSION=1 exec "$root/tests/x11/xsession.sh" "$0" "$@"
fi

results=$(mktemp)
trap 'rm -f "$results"' EXIT
"$first_frame" "$kelvaro" "$file" >/dev/null || exit 2   # warm-up
i=0
while [ $i -lt "$runs" ]; do
    line=$("$first_frame" "$kelvaro" "$file") || exit 2
    echo "run $((i + 1)): $line"
    echo "$line" >>"$results"
    i=$((i + 1))
done

# The median of one field over the runs.
median() {
    sed -n "s/.*$1=\([0-9.]*\).*/\1/p" "$results" | sort -n | awk '{ v[NR] = $1 }
        END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
ms=$(median first_frame_ms)
rss=$(median rss_kb)
hwm=$(median hwm_kb)
echo "median of $runs: first frame $ms ms (aim <= $aim_ms), VmRSS $rss kB, VmHWM $hwm kB (aim <= $aim_kb kB)"
awk -v ms="$ms" -v hwm="$hwm" -v aim_ms="$aim_ms" -v aim_kb="$aim_kb" \
    'BEGIN { exit !(ms <= aim_ms && hwm <= aim_kb) }' || { echo "over an aim" >&2; exit 1; }
