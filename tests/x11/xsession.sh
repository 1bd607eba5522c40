#!/bin/sh
# Runs a command inside a private X session: Xvfb on a free display, a window manager (so windows
# get a frame and a caption: jwm, or openbox with -w openbox), DISPLAY set, and HOME in a fresh
# temporary folder with ~/.local/share. Everything started here is stopped on exit; the command's
# exit code is returned.
#   usage: xsession.sh [-s WIDTHxHEIGHT] [-w jwm|openbox] command [arguments...]
set -u
size=1280x1024
wm=jwm
while [ $# -gt 1 ]; do
    case $1 in
    -s) size=$2; shift 2 ;;
    -w) wm=$2; shift 2 ;;
    *) break ;;
    esac
done
case $wm in
jwm|openbox) ;;
*) echo "xsession: unknown window manager $wm (jwm or openbox)" >&2; exit 2 ;;
esac
[ $# -gt 0 ] || { echo "usage: $0 [-s WxH] [-w jwm|openbox] command..." >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/xsession.XXXXXX") || exit 1
xvfb_pid=; wm_pid=
cleanup() {
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Xvfb picks a free display number itself and writes it to the descriptor given. -noreset: by
# default the server resets when its last client leaves, and a probe that leaves before the window
# manager has connected would take the window manager's connection down with it.
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
i=0
while [ ! -s "$work/display" ]; do
    i=$((i + 1))
    if [ $i -gt 500 ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
        echo "xsession: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1
    fi
    sleep 0.01
done
DISPLAY=:$(head -n 1 "$work/display")
export DISPLAY

HOME=$work/home
mkdir -p "$HOME/.local/share"
export HOME

"$wm" >"$work/wm.log" 2>&1 &
wm_pid=$!
# The window manager is up once it announces itself on the root window. openbox announces itself
# before it has loaded its theme and started managing windows; it is ready once _OB_THEME is set.
ready=_NET_SUPPORTING_WM_CHECK
[ "$wm" = openbox ] && ready=_OB_THEME
i=0
until xprop -root "$ready" 2>/dev/null | grep -q -E 'window id|='; do
    i=$((i + 1))
    if [ $i -gt 1000 ] || ! kill -0 "$wm_pid" 2>/dev/null; then
        echo "xsession: $wm did not start" >&2; cat "$work/wm.log" >&2; exit 1
    fi
    sleep 0.01
done

"$@"
