#!/bin/bash
# Reaching the search box from outside the window: `qarvex --toggle-search` (what a
# desktop's own shortcut runs) asks the running copy to come up with the search box taking
# the keys, and to go away when asked again; so does Ctrl+Alt+Space, NumLock on or off.
#
# usage: quick_search_test.sh QARVEX_BINARY
set -u
qarvex=$1
. "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"
require_tools Xvfb openbox dbus-daemon xdotool xprop

use_work_folder quick-search
fail() { echo "FAIL: $*" >&2; cat "$work"/*.log >&2; exit 1; }

start_x_session "$work"
mkdir -p "$work/runtime" "$work/bin" "$work/probe folder"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
unset QT_QPA_PLATFORM
# What the default handler is asked to open.
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s/opened"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"

shown() { [ "$(xdotool search --onlyvisible --name '^Qarvex3\.0$' 2>/dev/null | wc -l)" -ge 1 ]; }
hidden() { ! shown; }
opened() { grep -qxF "$1" "$work/opened" 2>/dev/null; }

start_qarvex "$work/qarvex.log"
# The keys elsewhere in the window (the tree), then out of sight.
xdotool windowactivate --sync "$win" key Tab key Tab key Tab
xdotool windowminimize "$win"
wait_for 300 hidden || fail "the window did not go away when minimised"

"$qarvex" --toggle-search >"$work/toggle1.log" 2>&1 || fail "--toggle-search failed"
wait_for 300 shown || fail "--toggle-search did not bring the window up"
# Typed at once, the keys go to the search box: Enter there opens a folder it names.
xdotool type --delay 20 "$work/probe folder"
xdotool key Return
wait_for 300 opened "$work/probe folder" || fail "what was typed after --toggle-search did not reach the search box"

"$qarvex" --toggle-search >"$work/toggle2.log" 2>&1 || fail "the second --toggle-search failed"
wait_for 300 hidden || fail "a second --toggle-search did not put the window away"

mkdir "$work/second probe"
xdotool key Num_Lock
xdotool key ctrl+alt+space
wait_for 300 shown || fail "Ctrl+Alt+Space with NumLock on did not bring the window up"
xdotool type --delay 20 "$work/second probe"
xdotool key Return
wait_for 300 opened "$work/second probe" || fail "what was typed after Ctrl+Alt+Space did not reach the search box"
xdotool key Num_Lock
xdotool key ctrl+alt+space
wait_for 300 hidden || fail "Ctrl+Alt+Space again did not put the window away"
kill -0 "$app_pid" 2>/dev/null || fail "the running copy ended"
echo PASS
