#!/bin/bash
# The real program started a second time, as a separate process, on the same display and
# configuration folder:
#  1. it brings the first copy's window back and ends;
#  2. while the first copy cannot answer, it ends all the same;
#  3. when the lock file cannot even be opened, it still does not run beside the first;
#  4. after the first copy was killed (its socket left behind), the next start runs.
#
# usage: second_copy_test.sh QARVEX_BINARY
set -u

if [ $# -ne 1 ]; then
    echo "usage: $0 QARVEX_BINARY" >&2
    exit 2
fi
qarvex=$1
. "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"
require_tools Xvfb openbox dbus-daemon xdotool xprop

work=$(mktemp -d "${TMPDIR:-/tmp}/qarvex-second-copy.XXXXXX") || exit 2
pids=()
first=""
cleanup() {
    [ -n "$first" ] && kill -CONT "$first" 2>/dev/null
    for pid in "${pids[@]}"; do
        kill -9 "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "FAIL: $*" >&2
    for log in "$work"/copy*.log; do
        echo "--- $log" >&2
        cat "$log" >&2
    done
    exit 1
}

alive() { kill -0 "$1" 2>/dev/null; }
dead() { ! kill -0 "$1" 2>/dev/null; }
shown_windows() { xdotool search --onlyvisible --name '^Qarvex3\.0$' 2>/dev/null | wc -l; }
first_shown() { [ "$(shown_windows)" -ge 1 ]; }
first_hidden() { [ "$(shown_windows)" -eq 0 ]; }

start_x_session "$work"
# Files of the copies (configuration, lock, socket) stay in the test's folder.
mkdir -p "$work/tmp" "$work/runtime"
chmod 700 "$work/runtime"
export TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/runtime"
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
unset QT_QPA_PLATFORM

"$qarvex" >"$work/copy1.log" 2>&1 &
first=$!
pids+=("$first")
wait_for 300 first_shown || fail "the first copy did not show its window"
win=$(xdotool search --onlyvisible --name '^Qarvex3\.0$' | head -n1)

# 1. Out of sight (minimised: this desktop has no tray), then a second start.
xdotool windowminimize "$win"
wait_for 300 first_hidden || fail "the first copy's window did not go away when minimised"
"$qarvex" >"$work/copy2.log" 2>&1 &
second=$!
pids+=("$second")
wait_for 300 dead "$second" || fail "the second copy still runs beside the first"
wait_for 300 first_shown || fail "the second start did not bring the first copy's window back"
alive "$first" || fail "the first copy ended"

# 2. The first copy holds the lock but cannot answer.
kill -STOP "$first"
"$qarvex" >"$work/copy3.log" 2>&1 &
third=$!
pids+=("$third")
wait_for 300 dead "$third" || fail "a start while the first copy hangs runs beside it"
kill -CONT "$first"

# 3. The lock file turns into something that cannot be opened.
locks=$(find "$TMPDIR" "$XDG_RUNTIME_DIR" -maxdepth 1 -name '*qarvex*.lock' 2>/dev/null)
[ -n "$locks" ] || fail "no lock file in $TMPDIR or $XDG_RUNTIME_DIR"
for lock in $locks; do
    rm -f "$lock" && mkdir "$lock"
done
"$qarvex" >"$work/copy4.log" 2>&1 &
fourth=$!
pids+=("$fourth")
wait_for 300 dead "$fourth" || fail "a start without a usable lock runs beside the first copy"
[ "$(shown_windows)" -eq 1 ] || fail "$(shown_windows) windows shown instead of one"
alive "$first" || fail "the first copy ended"

# 4. The first copy killed outright leaves its socket behind: the next start runs all the
#    same, and a start after that defers to it.
for lock in $locks; do
    rmdir "$lock"
done
kill -9 "$first"
wait "$first" 2>/dev/null
first=""
wait_for 300 first_hidden || fail "the killed copy's window stayed"
[ -n "$(find "$TMPDIR" "$XDG_RUNTIME_DIR" -maxdepth 1 -type s)" ] ||
    fail "the killed copy left no socket behind"
"$qarvex" >"$work/copy5.log" 2>&1 &
fifth=$!
pids+=("$fifth")
wait_for 300 first_shown || fail "no start after the first copy was killed"
"$qarvex" >"$work/copy6.log" 2>&1 &
sixth=$!
pids+=("$sixth")
wait_for 300 dead "$sixth" || fail "a start beside the copy started after the kill runs too"
alive "$fifth" || fail "the copy started after the kill ended"
[ "$(shown_windows)" -eq 1 ] || fail "$(shown_windows) windows shown instead of one"
echo "PASS"
