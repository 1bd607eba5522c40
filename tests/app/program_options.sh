#!/usr/bin/env bash
# kelvaro's and kelvaro-render's --help and --version, and the solver's --version: on stdout, exit
# status 0, no display needed (CTest runs this with DISPLAY unset). Any other kelvaro command line is
# a path to open, so it needs the display and fails without one. Run from the build tree, every
# program's --version names the source tree's LICENSE.
# Usage: program_options.sh KELVARO KELVARO_RENDER TRUSS_SOLVE VERSION SOURCE_DIR
set -uo pipefail
kelvaro=$1 render=$2 solve=$3 version=$4 source=$5
failures=0
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

matches() {
    case $1 in
        "") [ ! -s "$2" ] ;;
        =*) [ "$(cat "$2"; echo .)" = "${1#=}"$'\n'. ] ;;
        *) grep -Eq -e "$1" "$2" ;;
    esac
}

# expect STATUS STDOUT STDERR COMMAND...: runs the command and checks its exit status and its output:
# "" for no output, "=TEXT" for exactly TEXT and a newline, else an extended regular expression.
expect() {
    local status=$1 stdout=$2 stderr=$3
    shift 3
    "$@" > "$out" 2> "$err" < /dev/null
    local got=$?
    local ok=1
    [ "$got" -eq "$status" ] || ok=0
    matches "$stdout" "$out" || ok=0
    matches "$stderr" "$err" || ok=0
    if [ $ok -eq 0 ]; then
        echo "FAILED: $* -> status $got (expected $status)"
        echo "  stdout: $(head -c 300 "$out")"
        echo "  stderr: $(head -c 300 "$err")"
        failures=$((failures + 1))
    fi
}

no_display='cannot open the X display \(DISPLAY is not set\)'
licence="MIT licence, see $source/LICENSE"
[ -f "$source/LICENSE" ] || { echo "FAILED: no $source/LICENSE"; failures=$((failures + 1)); }
expect 0 "=kelvaro $version"$'\n'"$licence" "" "$kelvaro" --version
expect 0 '^Usage: kelvaro \[RESULTS FILE\]' "" "$kelvaro" --help
expect 0 "=kelvaro-render $version"$'\n'"$licence" "" "$render" --version
expect 0 "=truss-solve (kelvaro) $version"$'\n'"$licence" "" "$solve" --version
expect 0 '^ +--version +show the version' "" "$render" --help
# Only a lone --help or --version is an option; with more parameters it is part of the path.
expect 1 "" "$no_display" "$kelvaro" --help me
expect 1 "" "$no_display" "$kelvaro" --version 2
expect 1 "" "$no_display" "$kelvaro" -- --help
expect 1 "" "$no_display" "$kelvaro" -h
expect 1 "" "$no_display" "$kelvaro"

[ $failures -eq 0 ] && echo "all kelvaro and kelvaro-render option checks passed"
exit $((failures > 0))
