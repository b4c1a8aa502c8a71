#!/bin/bash
# The real program on a display of its own with a window manager records an open X
# client on F5; then its session ends without the close box:
#  1. SIGTERM (logout, shutdown, a service manager), SIGINT or SIGHUP: the whole save
#     sequence runs and lr.dat holds what was open, as the close box leaves it;
#  2. the session manager asks it to save, as at a logout: everything is on disk, lr.dat
#     too, while it still runs;
#  3. the X server goes away: the lists and settings are on disk all the same.
# The waits below are limits that tell a hang from an exit, not measurements.
#
# usage: session_end_test.sh QARVEX_BINARY X_CLIENT_BINARY SESSION_MANAGER_BINARY
set -u

if [ $# -ne 3 ]; then
    echo "usage: $0 QARVEX_BINARY X_CLIENT_BINARY SESSION_MANAGER_BINARY" >&2
    exit 2
fi
qarvex=$1
client=$2
session_manager=$3
. "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"
require_tools Xvfb openbox dbus-daemon xdotool xprop

use_work_folder session-end

case_dir=""
fail() {
    echo "FAIL: $*" >&2
    echo "--- program output" >&2
    cat "$case_dir/qarvex.log" >&2
    for f in "$case_dir"/config/ZeqConfig/*; do
        echo "--- $f" >&2
        cat "$f" >&2
    done
    exit 1
}

dead() { ! kill -0 "$1" 2>/dev/null; }

# A default handler that only records, so nothing real is ever opened.
mkdir -p "$work/bin"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"
client_path=$(readlink -f "$client")

# Starts a display, a bus, openbox, the client and the program over a fresh folder
# $case_dir; F5 records the client. Sets xvfb_pid and app_pid.
start_case() {
    case_dir="$work/$1"
    start_x_session "$case_dir"
    xvfb_pid=$x_pid
    mkdir -p "$case_dir/config/ZeqConfig"

    mkfifo "$case_dir/client-in"
    "$client" <"$case_dir/client-in" >"$case_dir/client.out" 2>&1 &
    pids+=($!)
    exec 7>"$case_dir/client-in"
    wait_for 200 grep -q '^ready$' "$case_dir/client.out" || fail "the X client did not start"

    export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
    unset QT_QPA_PLATFORM
    local dir="$case_dir/config/ZeqConfig"
    # The software tab, no periodic scan: only F5 records.
    printf '[default]\r\nControlIndex=1\r\nCbRefresh=0\r\n' >"$dir/defualt.ini"
    printf 'https://kept.example/\r\n' >"$dir/lr.dat"
    printf '/usr/bin/old-favourite*|*old\r\n' >"$dir/fav.dat"

    start_qarvex "$case_dir/qarvex.log"
    press_f5
    grep -qF "path0=$client_path" "$dir/defualt.ini" ||
        fail "F5 did not record the open program $client_path"
}

# Everything the run knew is on disk.
expect_saved() {
    local dir="$case_dir/config/ZeqConfig"
    for f in defualt.ini fav.dat rec.dat run.dat lr.dat note.txt; do
        test -f "$dir/$f" || fail "$f missing after the session ended"
    done
    grep -qF "$client_path*|*" "$dir/rec.dat" || fail "rec.dat lacks the recorded program"
    grep -qF "/usr/bin/old-favourite*|*old" "$dir/fav.dat" || fail "fav.dat lost its entry"
    grep -q '^needRemoveAllStart=0' "$dir/defualt.ini" || fail "settings not saved"
}

# 1. SIGTERM, SIGINT (Ctrl+C in a terminal) and SIGHUP (the terminal closed)
for signal in TERM INT HUP; do
    start_case "$signal"
    kill -"$signal" "$app_pid"
    wait_for 300 dead "$app_pid" || fail "the program still runs 30 s after SIG$signal"
    wait "$app_pid" 2>/dev/null
    expect_saved
    grep -qxF "$client_path"$'\r' "$case_dir/config/ZeqConfig/lr.dat" ||
        fail "lr.dat lacks the program open when SIG$signal ended the session"
    grep -qF "kept.example" "$case_dir/config/ZeqConfig/lr.dat" &&
        fail "lr.dat kept the list read at start after SIG$signal"
    echo "SIG$signal: saved"
done

# 2. the session manager's save request
mkfifo "$work/sm-in"
"$session_manager" <"$work/sm-in" >"$work/sm.out" 2>&1 &
pids+=($!)
exec 8>"$work/sm-in"
wait_for 100 grep -q '^SESSION_MANAGER=' "$work/sm.out" || fail "the session manager did not start"
export SESSION_MANAGER=$(sed -n 's/^SESSION_MANAGER=//p' "$work/sm.out")
start_case session-manager
unset SESSION_MANAGER
wait_for 300 grep -qx registered "$work/sm.out" || fail "the program never joined the session"
echo save >&8
wait_for 300 grep -q '^saved' "$work/sm.out" || fail "the program never answered the save request"
grep -qx 'saved ok' "$work/sm.out" || fail "the program could not save: $(cat "$work/sm.out")"
kill -0 "$app_pid" || fail "the program ended on a save request"
expect_saved
grep -qxF "$client_path"$'\r' "$case_dir/config/ZeqConfig/lr.dat" ||
    fail "lr.dat lacks the program open when the session manager asked to save"
echo "session manager's save request: saved"

# 3. the X server goes away right after the program recorded something
start_case xlost
kill -9 "$xvfb_pid"
wait "$xvfb_pid" 2>/dev/null
wait_for 300 dead "$app_pid" || fail "the program still runs 30 s after its display went away"
wait "$app_pid" 2>/dev/null
expect_saved
echo "X server lost: saved"
echo "PASS"
