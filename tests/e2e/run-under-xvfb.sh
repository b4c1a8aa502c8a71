#!/bin/bash
# Runs one end-to-end test program on a desktop of its own: a private Xvfb display (a
# free number chosen by the server), the openbox window manager with its built-in
# defaults, and a private session bus that offers none of the machine's services.
# Everything started here is stopped at the end; the exit code is the test program's.
# CTest runs each test case of a program this way, so every case starts from a clean bus.
#
# usage: run-under-xvfb.sh TEST_PROGRAM [ARGS...]
set -u

if [ $# -lt 1 ]; then
    echo "usage: $0 TEST_PROGRAM [ARGS...]" >&2
    exit 2
fi
. "$(dirname "${BASH_SOURCE[0]}")/wait_for.sh"
require_tools Xvfb openbox dbus-daemon

work=$(mktemp -d "${TMPDIR:-/tmp}/qarvex-e2e.XXXXXX") || exit 2
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# -displayfd: the server picks a free display and writes its number once it accepts
# connections, so there is no race with other displays on the machine.
# -noreset: without it the server resets whenever its last client leaves (a readiness
# probe), and a client connecting during the reset, such as the window manager just
# after that probe, is turned away.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
pids+=($!)
x_started() { [ -s "$work/display" ] || ! kill -0 "${pids[0]}" 2>/dev/null; }
wait_for 300 x_started
display=$(tr -dc '0-9' <"$work/display")
[ -n "$display" ] || cannot_run "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$display"
unset WAYLAND_DISPLAY
# Keep the test's settings, trash and browser profiles away from the real user's.
export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_CACHE_HOME="$HOME/.cache"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
start_private_bus "$work" || cannot_run "dbus-daemon did not start"
export DBUS_SESSION_BUS_ADDRESS=$bus_address
# Where a test puts the .service files of what it wants the bus to start.
export QARVEX_TEST_BUS_SERVICES="$work/services"

# A configuration file that doesn't exist makes openbox use its built-in defaults.
openbox --sm-disable --config-file "$work/no-openbox-config.xml" >"$work/openbox.log" 2>&1 &
pids+=($!)

# The test program waits for the window manager to announce itself before it looks at
# windows, so no sleep is needed here.
"$@"
status=$?
if [ $status -ne 0 ] && [ $status -ne 77 ]; then
    echo "--- openbox log ---" >&2
    cat "$work/openbox.log" >&2
fi
exit $status
