#!/bin/bash
# Runs one end-to-end test program on a desktop of its own: a private Xvfb display (a
# free number chosen by the server), the openbox window manager with its built-in
# defaults, and a private session bus. Everything started here is stopped at the end;
# the exit code is the test program's.
#
# usage: run-under-xvfb.sh TEST_PROGRAM [ARGS...]
set -u

if [ $# -lt 1 ]; then
    echo "usage: $0 TEST_PROGRAM [ARGS...]" >&2
    exit 2
fi
for tool in Xvfb openbox dbus-run-session; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$0: $tool is missing (apt-get install xvfb openbox dbus dbus-x11)" >&2
        exit 2
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/qarvex-e2e.XXXXXX") || exit 2
xvfb_pid=""
wm_pid=""
cleanup() {
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    [ -n "$wm_pid" ] && wait "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# -displayfd: the server picks a free display and writes its number once it accepts
# connections, so there is no race with other displays on the machine.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 300); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
display=$(tr -dc '0-9' <"$work/display")
if [ -z "$display" ]; then
    echo "$0: Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 2
fi
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

# A configuration file that doesn't exist makes openbox use its built-in defaults.
openbox --sm-disable --config-file "$work/no-openbox-config.xml" >"$work/openbox.log" 2>&1 &
wm_pid=$!

# The test program waits for the window manager to announce itself before it looks at
# windows, so no sleep is needed here.
# The session bus offers only the services the tests install themselves (in
# $XDG_DATA_HOME/dbus-1/services): a file manager or any other program the machine has
# would otherwise be started by the bus behind a test that expects none.
mkdir -p "$XDG_DATA_HOME/dbus-1/services"
cat >"$work/session.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$XDG_RUNTIME_DIR</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$XDG_DATA_HOME/dbus-1/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
dbus-run-session --config-file="$work/session.conf" -- "$@"
status=$?
if [ $status -ne 0 ]; then
    echo "--- openbox log ---" >&2
    cat "$work/openbox.log" >&2
fi
exit $status
