#!/bin/bash
# Qarvex itself in a wlroots session that has XWayland: sway on its headless backend, a
# native Wayland program (foot) open. Qarvex's own window goes through XWayland (an X11
# window there, which it can place and hide), its --version says so, what it opens is
# not forced onto XWayland with it, and when the session ends (SIGTERM) lr.dat names foot
# by its desktop entry, read from the compositor's own window list, and not Qarvex's own
# window.
#
# usage: wayland_xwayland_test.sh QARVEX_BINARY
set -u

if [ $# -ne 1 ]; then
    echo "usage: $0 QARVEX_BINARY" >&2
    exit 2
fi
qarvex=$(readlink -f "$1")
. "$(dirname "${BASH_SOURCE[0]}")/wait_for.sh"
require_tools sway swaymsg foot Xwayland xdotool dbus-daemon setpriv
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin

. "$(dirname "$0")/throwaway_session.sh"
start_throwaway_session sway-xwayland qarvexxw

fail() {
    echo "FAIL: $*" >&2
    echo "--- program output" >&2
    cat "$work/qarvex.log" >&2 2>/dev/null
    echo "--- lr.dat" >&2
    cat "$config/ZeqConfig/lr.dat" >&2 2>/dev/null
    echo "--- sway" >&2
    tail -n 40 "$work/sway.log" >&2
    exit 1
}

config="$home/.config"
mkdir -p "$config/ZeqConfig"
# The periodic scan off: only the end of the session looks at what is open.
# At the start it reopens what was open at the last exit: one page, through the default
# handler, which notes the environment it was given.
printf '[default]\r\nCbRefresh=0\r\nRunSelectDoc=1\r\nAutorOpenType=0\r\n' \
    >"$config/ZeqConfig/defualt.ini"
printf 'https://reopened.example/\r\n' >"$config/ZeqConfig/lr.dat"
mkdir -p "$work/bin"
printf '#!/bin/sh\nenv >"$XDG_RUNTIME_DIR/opened-env.part"\nmv "$XDG_RUNTIME_DIR/opened-env.part" "$XDG_RUNTIME_DIR/opened-env"\n' \
    >"$work/bin/xdg-open"
chmod 755 "$work/bin" "$work/bin/xdg-open"
if [ -n "$user" ]; then
    chown -R "$uid:$gid" "$config"
fi

session_env=(env -i "HOME=$home" "PATH=$work/bin:/usr/local/bin:/usr/bin:/bin"
    "XDG_RUNTIME_DIR=$work/runtime" "XDG_CONFIG_HOME=$config"
    "XDG_DATA_HOME=$home/.local/share" "XDG_DATA_DIRS=/usr/local/share:/usr/share"
    "LANG=C.UTF-8")

start_sway force compgen -G "$work/runtime/sway-ipc.*.sock"
ipc=$(compgen -G "$work/runtime/sway-ipc.*.sock" | head -n1)
# The X display is known to sway once XWayland is up; sway hands it to what it starts.
x_display_known() {
    "${as_user[@]}" "${session_env[@]}" SWAYSOCK="$ipc" swaymsg exec \
        'printf "%s" "$DISPLAY" >"$XDG_RUNTIME_DIR/x-display"' >/dev/null 2>&1
    sleep 0.2
    test -s "$work/runtime/x-display"
}
wait_for 100 x_display_known || cannot_run "sway started no XWayland: $(tail -n 20 "$work/sway.log")"
x_display=$(cat "$work/runtime/x-display")
client_env=("${session_env[@]}" "WAYLAND_DISPLAY=$display" "DISPLAY=$x_display")

"${as_user[@]}" "${client_env[@]}" "$qarvex" --version >"$work/version.out" 2>&1
grep -q "XWayland" "$work/version.out" || fail "--version does not say XWayland: $(cat "$work/version.out")"

"${as_user[@]}" "${client_env[@]}" foot --title "qarvex foot probe" sleep 600 \
    >"$work/foot.log" 2>&1 &
pids+=($!)

start_private_bus "$work/bus" "${as_user[@]}" "${session_env[@]}" || fail "no session bus"
client_env+=("DBUS_SESSION_BUS_ADDRESS=$bus_address")
"${as_user[@]}" "${client_env[@]}" "$qarvex" >"$work/qarvex.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")
x_window() {
    "${as_user[@]}" "${client_env[@]}" xdotool search --onlyvisible --name '^Qarvex3\.0$' \
        >"$work/x-window" 2>/dev/null
}
wait_for 300 x_window || fail "Qarvex's window is not an X11 window on XWayland"

# What Qarvex opens picks its own display: a Wayland program stays on Wayland.
wait_for 300 test -s "$work/runtime/opened-env" || fail "the page of the last session was not reopened"
grep -q "^WAYLAND_DISPLAY=$display\$" "$work/runtime/opened-env" ||
    fail "the opened program was not given the Wayland display"
grep -q '^QT_QPA_PLATFORM=' "$work/runtime/opened-env" &&
    fail "the opened program was forced onto XWayland: $(grep '^QT_QPA_PLATFORM=' "$work/runtime/opened-env")"

kill -TERM "$app_pid"
wait_for 300 bash -c "! kill -0 $app_pid 2>/dev/null" ||
    fail "the program still runs 30 s after SIGTERM"
lr="$config/ZeqConfig/lr.dat"
grep -qF "/usr/share/applications/foot.desktop" "$lr" ||
    fail "lr.dat lacks foot, open when the session ended"
grep -qi "qarvex" "$lr" && fail "lr.dat lists Qarvex's own window"
echo "PASS"
exit 0
