#!/bin/bash
# The program scan in a Plasma session: KWin on its virtual backend, run as a throwaway
# user with a session bus and a runtime folder of its own, and a real GTK program on
# Wayland. KWin lists windows only to its scripts: the scan must load its script, get
# the windows back with their processes, record the program by its desktop entry with
# its title, and reopening the entry must bring a new window.
#
# usage: wayland_kwin_test.sh WAYLAND_SCAN_BINARY
set -u

if [ $# -ne 1 ]; then
    echo "usage: $0 WAYLAND_SCAN_BINARY" >&2
    exit 2
fi
scan=$1
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
. "$(dirname "${BASH_SOURCE[0]}")/wait_for.sh"
require_tools kwin_wayland dbus-daemon python3 setpriv
require_python_gtk

. "$(dirname "$0")/throwaway_session.sh"
start_throwaway_session kwin qarvexkw

fail() {
    echo "FAIL: $*" >&2
    echo "--- last scan" >&2
    cat "$work/scan.out" >&2 2>/dev/null
    echo "--- kwin" >&2
    tail -n 30 "$work/kwin.log" >&2
    exit 1
}

mkdir -p "$work/bin"

# kwin_wayland carries file capabilities that a container may refuse to execute; a copy
# has none, and KWin finds its plugins only under its own name.
kwin=$(command -v kwin_wayland)
if ! "$kwin" --help >/dev/null 2>&1; then
    cp "$kwin" "$work/bin/kwin_wayland"
    kwin="$work/bin/kwin_wayland"
fi

make_gtk_probe

session_env=(env -i "HOME=$home" "PATH=/usr/local/bin:/usr/bin:/bin"
    "XDG_RUNTIME_DIR=$work/runtime" "XDG_DATA_HOME=$home/.local/share"
    "XDG_DATA_DIRS=/usr/local/share:/usr/share" "LANG=C.UTF-8")
start_private_bus "$work/bus" "${as_user[@]}" "${session_env[@]}" || fail "no session bus"
session_env+=("DBUS_SESSION_BUS_ADDRESS=$bus_address")

"${as_user[@]}" "${session_env[@]}" QT_QPA_PLATFORM=offscreen "$kwin" --virtual \
    --socket wayland-qarvex --width 1024 --height 768 >"$work/kwin.log" 2>&1 &
kwin_pid=$!
pids+=("$kwin_pid")
wait_for_compositor kwin_wayland "$kwin_pid" 300 "$work/kwin.log" test -S "$work/runtime/wayland-qarvex"
client_env=("${session_env[@]}" "WAYLAND_DISPLAY=wayland-qarvex")

probe_windows() {
    run_scan list >"$work/scan.out" 2>&1 || return 1
    # KWin tells windows of one title apart as "title <2>".
    grep -qxF "探针 window	$entry" "$work/scan.out" &&
        [ "$(grep -c "	$entry\$" "$work/scan.out")" -ge "$1" ]
}

"${as_user[@]}" "${client_env[@]}" GDK_BACKEND=wayland python3 "$work/gtk_app.py" \
    >"$work/gtk.log" 2>&1 &
pids+=($!)

wait_for 300 probe_windows 1 || fail "the GTK program was not recorded by its entry"
# A window-list protocol or KWin's script answered (which, depends on KWin's version);
# not GNOME's extension.
grep -qx "source [012]" "$work/scan.out" || fail "neither a protocol nor KWin's script answered"
# Where KWin's script answered, KWin itself sent the report, so the processes it names
# are kept.
if grep -qx "source 2" "$work/scan.out"; then
    run_scan pids >"$work/pids.out" 2>&1 || fail "the window report failed"
    grep -qE "^探针 window	[0-9]+\$" "$work/pids.out" || fail "KWin's report lost the processes"
fi

run_scan open "$entry" >"$work/open.log" 2>&1 || fail "opening the entry failed"
wait_for 300 probe_windows 2 || fail "reopening the entry brought no new window"

# A KWin that stops answering holds the scan up only for a moment.
kill -STOP "$kwin_pid" 2>/dev/null
run_scan list >"$work/scan.out" 2>&1 || fail "the scan failed with a hung KWin"
grep -qx "source none" "$work/scan.out" || fail "a hung KWin still answered"
echo "PASS"
exit 0
