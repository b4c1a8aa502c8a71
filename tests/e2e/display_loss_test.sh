#!/bin/bash
# The real program on a display and a session bus of its own:
#  1. the session bus goes away: the program keeps running;
#  2. the X server is killed: the program ends (any exit status) instead of hanging.
# The waits below are limits that tell a hang from an exit, not measurements.
#
# usage: display_loss_test.sh QARVEX_BINARY
set -u

if [ $# -ne 1 ]; then
    echo "usage: $0 QARVEX_BINARY" >&2
    exit 2
fi
qarvex=$1
. "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"
require_tools Xvfb dbus-daemon xprop

work=$(mktemp -d "${TMPDIR:-/tmp}/qarvex-display-loss.XXXXXX") || exit 2
xvfb_pid=""
bus_pid=""
app_pid=""
cleanup() {
    for pid in "$app_pid" "$bus_pid" "$xvfb_pid"; do
        [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
    done
    [ -n "$app_pid" ] && wait "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "FAIL: $*" >&2
    echo "--- program output" >&2
    cat "$work/qarvex.log" >&2
    exit 1
}

alive() { kill -0 "$1" 2>/dev/null; }
dead() { ! kill -0 "$1" 2>/dev/null; }

start_x_session "$work" 1024x768 no-wm
xvfb_pid=$x_pid
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
unset QT_QPA_PLATFORM

"$qarvex" >"$work/qarvex.log" 2>&1 &
app_pid=$!
# Started once its settings are on disk (the first start writes them).
wait_for 600 test -f "$work/config/ZeqConfig/defualt.ini" || fail "the program did not start"
alive "$app_pid" || fail "the program ended on its own"

# Alive at every look over $1 tenths of a second: a late crash is caught too.
stays_alive() {
    for _ in $(seq 1 "$1"); do
        alive "$2" || return 1
        sleep 0.1
    done
}

kill -9 "$bus_pid"
bus_pid=""
stays_alive 50 "$app_pid" || fail "the program ended when the session bus went away"

kill -9 "$xvfb_pid"
wait "$xvfb_pid" 2>/dev/null
xvfb_pid=""
wait_for 300 dead "$app_pid" || fail "the program still runs 30 s after its display went away"
wait "$app_pid" 2>/dev/null
echo "program ended with status $? after losing its display"
app_pid=""
echo "PASS"
