#!/bin/bash
# The program scan in a wlroots session: sway on its headless backend, run as a
# throwaway user (sway refuses root) with a runtime folder of its own, and real Wayland
# clients: foot and a GTK program with an application id. The scan must record each as
# its application's desktop entry with its title; opening an entry brings a new window;
# and once the compositor is gone the scan just finds nothing from it.
#
# usage: wayland_sway_test.sh WAYLAND_SCAN_BINARY
set -u

if [ $# -ne 1 ]; then
    echo "usage: $0 WAYLAND_SCAN_BINARY" >&2
    exit 2
fi
scan=$1
. "$(dirname "${BASH_SOURCE[0]}")/wait_for.sh"
require_tools sway foot python3 setpriv dbus-daemon
# The clients see the system's programs only, as in a desktop session.
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
require_python_gtk

. "$(dirname "$0")/throwaway_session.sh"
start_throwaway_session sway qarvexwl

fail() {
    echo "FAIL: $*" >&2
    echo "--- last scan" >&2
    cat "$work/scan.out" >&2 2>/dev/null
    echo "--- what the compositor lists" >&2
    run_scan raw >&2 2>&1
    echo "--- sway" >&2
    tail -n 40 "$work/sway.log" >&2
    exit 1
}

make_gtk_probe

session_env=(env -i "HOME=$home" "PATH=/usr/local/bin:/usr/bin:/bin"
    "XDG_RUNTIME_DIR=$work/runtime" "XDG_DATA_HOME=$home/.local/share"
    "XDG_DATA_DIRS=/usr/local/share:/usr/share" "LANG=C.UTF-8")

start_sway disable
start_private_bus "$work/bus" "${as_user[@]}" "${session_env[@]}" || fail "no session bus"
client_env=("${session_env[@]}" "WAYLAND_DISPLAY=$display" "DBUS_SESSION_BUS_ADDRESS=$bus_address")

scan_has() {
    run_scan list >"$work/scan.out" 2>&1 || return 1
    grep -qxF "$1" "$work/scan.out"
}
foot_windows() {
    run_scan list >"$work/scan.out" 2>&1 || return 1
    [ "$(grep -c $'\t/usr/share/applications/foot.desktop$' "$work/scan.out")" -ge "$1" ]
}

"${as_user[@]}" "${client_env[@]}" foot --title "qarvex foot probe" sleep 600 \
    >"$work/foot.log" 2>&1 &
pids+=($!)
"${as_user[@]}" "${client_env[@]}" GDK_BACKEND=wayland python3 "$work/gtk_app.py" \
    >"$work/gtk.log" 2>&1 &
pids+=($!)

wait_for 300 scan_has $'qarvex foot probe\t/usr/share/applications/foot.desktop' ||
    fail "foot was not recorded as foot.desktop"
wait_for 300 scan_has \
    $'探针 window\t'"$home/.local/share/applications/org.qarvex.WaylandProbe.desktop" ||
    fail "the GTK program was not recorded by its application id"
# Through a window-list protocol (which of the two depends on sway's version), not a
# desktop's D-Bus service.
grep -qx "source [01]" "$work/scan.out" || fail "no window-list protocol answered"

run_scan open /usr/share/applications/foot.desktop >"$work/open.log" 2>&1 || fail "opening foot.desktop failed"
wait_for 300 foot_windows 2 || fail "reopening foot.desktop brought no new window"

# A compositor that stops answering holds the scan up only for a moment; one that goes
# away is a source that no longer answers.
kill -STOP "$sway_pid" 2>/dev/null
run_scan list >"$work/scan.out" 2>&1 || fail "the scan failed with a hung compositor"
grep -qx "source none" "$work/scan.out" || fail "a hung compositor still answered"
kill -9 "$sway_pid" 2>/dev/null
wait "$sway_pid" 2>/dev/null
run_scan list >"$work/scan.out" 2>&1 || fail "the scan failed without a compositor"
grep -qx "source none" "$work/scan.out" || fail "a gone compositor still answered"
echo "PASS"
exit 0
