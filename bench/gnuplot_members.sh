#!/bin/sh
# The yardstick for kelvaro-render's whole-process figures: gnuplot drawing the members of a results
# file as force-coloured vectors (blue compression, grey none, red tension, at one scale on both
# axes as kelvaro draws them) at 700 x 500, with its pngcairo and svg terminals.
#
# Usage: bench/gnuplot_members.sh RESULTS WORK_DIR
# Writes WORK_DIR/members.dat (x y dx dy force, one member a line, read from the solver's results
# layout) and the scripts WORK_DIR/members-png.gp and WORK_DIR/members-svg.gp, which draw
# WORK_DIR/gnuplot.png and WORK_DIR/gnuplot.svg; time "gnuplot WORK_DIR/members-png.gp".
set -eu

results=$1
work=$2
mkdir -p "$work"
data="$work/members.dat"

# Nodes (number, three restraints, x, y, ...) and members (number, first node, second node) after
# the count line, then the member results (number, stress, force) after the axial forces heading.
awk 'NR == 2 { nodes = $1; members = $2; next }
     NR > 2 && NR <= 2 + nodes { x[$1] = $5; y[$1] = $6; next }
     NR > 2 + nodes && NR <= 2 + nodes + members { a[$1] = $2; b[$1] = $3; next }
     /axial forces/ { forces = 1; getline; next }
     forces && NF >= 3 { m = $1; print x[a[m]], y[a[m]], x[b[m]] - x[a[m]], y[b[m]] - y[a[m]], $3 }' \
    "$results" >"$data"

# Ranges of one scale on both axes (the picture's 7:5 shape) round all members, and the forces.
ranges=$(awk 'NR == 1 { x0 = x1 = $1; y0 = y1 = $2 }
    { for (k = 0; k <= 1; ++k) { x = $1 + k * $3; y = $2 + k * $4
          if (x < x0) x0 = x; if (x > x1) x1 = x; if (y < y0) y0 = y; if (y > y1) y1 = y } }
    { f = $5 < 0 ? -$5 : $5; if (f > fmax) fmax = f }
    END { span = (x1 - x0 > (y1 - y0) * 1.4 ? x1 - x0 : (y1 - y0) * 1.4) * 1.05 + 1e-9
          xc = (x0 + x1) / 2; yc = (y0 + y1) / 2
          printf "%.9g %.9g %.9g %.9g %.9g", xc - span / 2, xc + span / 2, yc - span / 2.8, yc + span / 2.8, fmax + 1e-9 }' \
    "$data")
set -- $ranges

for terminal in png svg; do
    case $terminal in
    png) setting="pngcairo size 700,500" ;;
    svg) setting="svg size 700,500" ;;
    esac
    cat >"$work/members-$terminal.gp" <<PLOT
set terminal $setting
set output "$work/gnuplot.$terminal"
unset key
set size ratio -1
set xrange [$1:$2]
set yrange [$3:$4]
set palette defined (-1 "#2166ac", 0 "#bbbbbb", 1 "#b2182b")
set cbrange [-$5:$5]
plot "$data" using 1:2:3:4:5 with vectors nohead linecolor palette
PLOT
done
