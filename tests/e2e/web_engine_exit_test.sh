#!/bin/bash
# The real program after a web search has the browser engine's helper processes running;
# however it ends (the close box, SIGTERM), none of them may be left running once it has
# gone: each holds some 100 MB, and nothing would ever end it.
# The waits below are limits that tell a hang from an exit, not measurements.
#
# usage: web_engine_exit_test.sh QARVEX_BINARY
set -u

if [ $# -ne 1 ]; then
    echo "usage: $0 QARVEX_BINARY" >&2
    exit 2
fi
qarvex=$1
. "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"
require_tools Xvfb openbox dbus-daemon xdotool xprop ps

use_work_folder web-exit

case_dir=""
fail() {
    echo "FAIL: $*" >&2
    echo "--- program output" >&2
    cat "$case_dir/qarvex.log" >&2
    exit 1
}

dead() { ! kill -0 "$1" 2>/dev/null; }

# The engine's live helpers of this case's program, wherever they now hang in the process
# tree: they work in the folder the program was started in (the kernel keeps 15 bytes of a
# command's name; the environment is no mark, as the engine writes its process titles
# over it).
case_helpers() {
    local pid stat comm
    while read -r pid stat comm; do
        [ "$comm" = QtWebEngineProc ] && [ "${stat#Z}" = "$stat" ] || continue
        [ "$(readlink "/proc/$pid/cwd" 2>/dev/null)" = "$case_cwd" ] && echo "$pid"
    done < <(ps -eo pid=,stat=,comm=)
}
has_helpers() { [ -n "$(case_helpers)" ]; }
# The web view gives the main window a native window of another kind, once.
replaced() {
    local now
    now=$(xdotool search --onlyvisible --name '^Qarvex3\.0$' 2>/dev/null | grep -vx "$win" | head -n1)
    [ -n "$now" ] && win=$now
}

# Nothing real is ever opened.
mkdir -p "$work/bin"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
unset QT_QPA_PLATFORM

for way in close-box SIGTERM; do
    case_dir="$work/$way"
    start_x_session "$case_dir"
    mkdir -p "$case_dir/config/ZeqConfig"
    printf '[default]\r\nCbRefresh=0\r\n' >"$case_dir/config/ZeqConfig/defualt.ini"
    cd "$case_dir" || exit 2
    case_cwd=$(pwd -P)
    start_qarvex "$case_dir/qarvex.log"
    # The search box has the keyboard; Enter sends the word to the web search page.
    xdotool windowactivate --sync "$win" >/dev/null 2>&1 || fail "the window could not be activated"
    # Typed only once the window has the keyboard: a loaded machine is slow to hand it over.
    is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$win" ]; }
    wait_for 300 is_active || fail "the window never got the keyboard"
    xdotool type --delay 20 "qarvex" && xdotool key Return
    wait_for 1200 has_helpers || fail "no browser-engine helper started for the web search"
    # A close request sent to the window being replaced would be lost; a limit, not a check.
    wait_for 100 replaced
    case $way in
        close-box)
            xdotool windowactivate --sync "$win" >/dev/null 2>&1
            xdotool key alt+F4
            ;;
        SIGTERM) kill -TERM "$app_pid" ;;
    esac
    wait_for 300 dead "$app_pid" || fail "the program still runs 30 s after the $way"
    wait "$app_pid" 2>/dev/null
    left=$(case_helpers | tr '\n' ' ')
    [ -z "$left" ] || fail "browser-engine helpers still running after the $way: $left"
    echo "$way: no helper left"
    kill -9 "$x_pid" "$bus_pid" 2>/dev/null
done
echo "PASS"
