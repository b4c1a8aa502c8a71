#!/bin/bash
# The program scan in a GNOME session: GNOME Shell headless on Wayland, run as a
# throwaway user with its own session bus, a private "system" bus carrying a mock
# logind, and Qarvex's Shell extension installed by Qarvex's installer and enabled
# before the Shell starts; a real GTK program on Wayland. The Shell shows its windows
# only to extensions: the scan must get them from ours, record the program by its
# desktop entry with its title, and reopening the entry must bring a new window. The
# extension answers Qarvex only: any other program on the bus is refused the list.
#
# usage: wayland_gnome_test.sh WAYLAND_SCAN_BINARY
set -u

if [ $# -ne 1 ]; then
    echo "usage: $0 WAYLAND_SCAN_BINARY" >&2
    exit 2
fi
scan=$1
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
. "$(dirname "${BASH_SOURCE[0]}")/wait_for.sh"
require_tools gnome-shell gsettings gdbus dbus-daemon python3 setpriv
require_python_gtk
python3 -c 'import dbusmock' 2>/dev/null || cannot_run "python3-dbusmock is missing"

. "$(dirname "$0")/throwaway_session.sh"
start_throwaway_session gnome qarvexgn

fail() {
    echo "FAIL: $*" >&2
    echo "--- last scan" >&2
    cat "$work/scan.out" >&2 2>/dev/null
    echo "--- gnome-shell" >&2
    tail -n 30 "$work/shell.log" >&2
    exit 1
}

make_gtk_probe

base_env=(env -i "HOME=$home" "PATH=/usr/local/bin:/usr/bin:/bin"
    "XDG_RUNTIME_DIR=$work/runtime" "XDG_DATA_HOME=$home/.local/share"
    "XDG_CONFIG_HOME=$home/.config" "XDG_DATA_DIRS=/usr/local/share:/usr/share"
    "LANG=C.UTF-8")
# The Shell wants logind on the system bus: a bus of the test's own stands in for it.
start_private_bus "$work/system-bus" "${as_user[@]}" "${base_env[@]}" || fail "no system bus"
base_env+=("DBUS_SYSTEM_BUS_ADDRESS=$bus_address")
"${as_user[@]}" "${base_env[@]}" python3 -m dbusmock --template logind --system \
    >"$work/logind.log" 2>&1 &
pids+=($!)
# The settings go through dconf, the one service of the machine's that the session offers.
provide_service "$work/bus" ca.desrt.dconf
start_private_bus "$work/bus" "${as_user[@]}" "${base_env[@]}" || fail "no session bus"
session_env=("${base_env[@]}" "DBUS_SESSION_BUS_ADDRESS=$bus_address")

run_as() {
    "${as_user[@]}" "${session_env[@]}" "$@"
}
version=$(gnome-shell --version | sed -n 's/^GNOME Shell \([0-9]*\).*/\1/p')
run_as "$scan" install-gnome-extension "$version" || fail "the extension was not installed"
run_as gsettings set org.gnome.shell enabled-extensions "['qarvex-windows@qarvex.org']" ||
    fail "cannot enable the extension"
run_as gsettings set org.gnome.shell disable-user-extensions false

run_as XDG_SESSION_TYPE=wayland gnome-shell --headless --wayland --no-x11 \
    --wayland-display wayland-qarvex --virtual-monitor 1280x800 >"$work/shell.log" 2>&1 &
shell_pid=$!
pids+=("$shell_pid")
wait_for_compositor gnome-shell "$shell_pid" 600 "$work/shell.log" test -S "$work/runtime/wayland-qarvex"
client_env=("${session_env[@]}" "WAYLAND_DISPLAY=wayland-qarvex")

probe_windows() {
    run_scan list >"$work/scan.out" 2>&1 || return 1
    [ "$(grep -c "	$entry\$" "$work/scan.out")" -ge "$1" ]
}

"${as_user[@]}" "${client_env[@]}" GDK_BACKEND=wayland python3 "$work/gtk_app.py" \
    >"$work/gtk.log" 2>&1 &
pids+=($!)

wait_for 300 probe_windows 1 || fail "the GTK program was not recorded by its entry"
grep -qxF "探针 window	$entry" "$work/scan.out" || fail "the title is not the window's"
# GNOME offers neither window-list protocol, and KWin is absent: the extension answered.
grep -qx "source 3" "$work/scan.out" || fail "the GNOME Shell source did not answer"
# The Shell itself answered, so the processes it names are kept.
# A Shell slow to answer within a pass's budget (a loaded machine) gives that pass no
# windows, and the next pass asks again: so does the test.
probe_pids() {
    run_scan pids >"$work/pids.out" 2>&1 && grep -qE "^探针 window	[0-9]+\$" "$work/pids.out"
}
wait_for 100 probe_pids || fail "the Shell's report lost the processes: $(cat "$work/pids.out")"
# Any other program on the session bus asks in vain: the list is Qarvex's alone.
if run_as gdbus call --session --dest org.gnome.Shell --object-path /org/qarvex/ShellWindows \
    --method org.qarvex.ShellWindows.GetWindows >"$work/other.out" 2>&1; then
    fail "another program got the window list: $(cat "$work/other.out")"
fi
grep -q "AccessDenied" "$work/other.out" || fail "the refusal was not a denial: $(cat "$work/other.out")"

run_scan open "$entry" >"$work/open.log" 2>&1 || fail "opening the entry failed"
wait_for 300 probe_windows 2 || fail "reopening the entry brought no new window"
echo "PASS"
exit 0
