#!/bin/bash
# GNOME Shell's overview asking for "百度" while Qarvex is not running: the session bus
# starts Qarvex through its service file, the answer holds the entry, and the started copy
# stays in the tray until the overview asks for Qarvex's own search.
#
# usage: bus_activation_test.sh QARVEX_BINARY
set -u
qarvex=$(realpath "$1")
. "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"
require_tools Xvfb openbox dbus-daemon gdbus xdotool xprop

work=$(mktemp -d "${TMPDIR:-/tmp}/qarvex-bus-activation.XXXXXX") || exit 2
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
    wait 2>/dev/null
    # The copy the bus started is not this script's child: wait for it to be gone.
    [ -n "${started:-}" ] && wait_for 100 eval '! kill -0 "$started" 2>/dev/null'
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; cat "$work"/*.log >&2; exit 1; }

mkdir -p "$work/services" "$work/runtime" "$work/config/ZeqConfig"
chmod 700 "$work/runtime"
printf '[D-BUS Service]\nName=org.qarvex.Qarvex\nExec=%s --tray\n' "$qarvex" \
    >"$work/services/org.qarvex.Qarvex.service"
start_x_session "$work"
cp "$(dirname "${BASH_SOURCE[0]}")/../data/desktop/defualt.ini" "$work/config/ZeqConfig/"
# What the bus hands the programs it starts: this test's display and folders.
gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.UpdateActivationEnvironment \
    "{'DISPLAY': '$DISPLAY', 'HOME': '$HOME', 'XDG_CONFIG_HOME': '$XDG_CONFIG_HOME',
      'XDG_RUNTIME_DIR': '$work/runtime', 'QTWEBENGINE_CHROMIUM_FLAGS': '--no-sandbox'}" \
    >/dev/null || fail "the bus took no activation environment"

shown() { [ "$(xdotool search --onlyvisible --name '^Qarvex3\.0$' 2>/dev/null | wc -l)" -ge 1 ]; }
provider=(gdbus call --session --timeout 120 --dest org.qarvex.Qarvex
          --object-path /org/qarvex/Qarvex/SearchProvider)

"${provider[@]}" --method org.gnome.Shell.SearchProvider2.GetInitialResultSet "['百度']" \
    >"$work/found.log" 2>&1 || fail "the search provider did not answer"
grep -qF "'https://www.baidu.com/'" "$work/found.log" || fail "no entry for 百度: $(cat "$work/found.log")"
started=$(gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.GetConnectionUnixProcessID org.qarvex.Qarvex | tr -dc '0-9')
[ -n "$started" ] && pids+=("$started")
shown && fail "a copy started for the overview showed its window"

"${provider[@]}" --method org.gnome.Shell.SearchProvider2.LaunchSearch "['百度']" 0 \
    >"$work/launch.log" 2>&1 || fail "LaunchSearch failed"
wait_for 300 shown || fail "LaunchSearch did not bring Qarvex's window up"
echo PASS
