#!/bin/bash
# The main window as a native Wayland client: sway on its headless backend without
# XWayland, run as a throwaway user with a runtime folder and a private session bus of
# its own; the test program checks minimising to the tray and coming back.
#
# usage: wayland_tray_test.sh WAYLAND_TRAY_TEST_BINARY
set -u

if [ $# -ne 1 ]; then
    echo "usage: $0 WAYLAND_TRAY_TEST_BINARY" >&2
    exit 2
fi
program=$(readlink -f "$1")
. "$(dirname "${BASH_SOURCE[0]}")/wait_for.sh"
require_tools sway dbus-daemon setpriv
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
[ -e /usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqwayland-generic.so ] ||
    compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland-*.so" >/dev/null ||
    cannot_run "Qt's Wayland platform is missing (qt6-wayland)"

. "$(dirname "$0")/throwaway_session.sh"
start_throwaway_session wayland-tray qarvexwt

fail() {
    echo "FAIL: $*" >&2
    echo "--- sway" >&2
    tail -n 40 "$work/sway.log" >&2
    exit 1
}

session_env=(env -i "HOME=$home" "PATH=/usr/local/bin:/usr/bin:/bin"
    "XDG_RUNTIME_DIR=$work/runtime" "LANG=C.UTF-8" "TMPDIR=$work/runtime")
start_sway disable
start_private_bus "$work/bus" "${as_user[@]}" "${session_env[@]}" || fail "no session bus"

"${as_user[@]}" "${session_env[@]}" "WAYLAND_DISPLAY=$display" \
    "DBUS_SESSION_BUS_ADDRESS=$bus_address" "QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox" \
    "$program" || fail "the window did not go to the tray and back"
echo "PASS"
exit 0
