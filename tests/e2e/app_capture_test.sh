#!/bin/bash
# The real program on a display of its own with a window manager: a real X client is
# open; F5 on the software tab records it in the history (defualt.ini), and leaving
# through the close box writes what is open into lr.dat, then the whole exit sequence.
#
# usage: app_capture_test.sh QARVEX_BINARY X_CLIENT_BINARY
set -u

if [ $# -ne 2 ]; then
    echo "usage: $0 QARVEX_BINARY X_CLIENT_BINARY" >&2
    exit 2
fi
qarvex=$1
client=$2
. "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"
require_tools Xvfb openbox dbus-daemon xdotool xprop

use_work_folder app-capture

fail() {
    echo "FAIL: $*" >&2
    echo "--- program output" >&2
    cat "$work/qarvex.log" >&2
    echo "--- settings" >&2
    cat "$work/config/ZeqConfig/defualt.ini" >&2 2>/dev/null
    exit 1
}

start_x_session "$work"
mkdir -p "$work/config/ZeqConfig"

# The client's windows stay while its standard input is open.
mkfifo "$work/client-in"
"$client" <"$work/client-in" >"$work/client.out" 2>&1 &
pids+=($!)
exec 7>"$work/client-in"
wait_for 200 grep -q '^ready$' "$work/client.out" || fail "the X client did not start"
client_path=$(readlink -f "$client")

# A default handler that only records, so nothing real is ever opened.
mkdir -p "$work/bin"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s/opened"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"

export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
unset QT_QPA_PLATFORM
# Start on the software tab, with the periodic scan off so that only F5 scans.
printf '[default]\r\nControlIndex=1\r\nCbRefresh=0\r\n' >"$work/config/ZeqConfig/defualt.ini"
printf 'https://kept.example/\r\n' >"$work/config/ZeqConfig/lr.dat"

start_qarvex "$work/qarvex.log"

press_f5
grep -qF "path0=$client_path" "$work/config/ZeqConfig/defualt.ini" ||
    fail "F5 on the software tab did not record the open program $client_path"
grep -q '^doctype0=2' "$work/config/ZeqConfig/defualt.ini" || fail "not recorded as a program"
grep -q '^date0=[0-9]\{4\}-[0-9][0-9]-[0-9][0-9]' "$work/config/ZeqConfig/defualt.ini" ||
    fail "no date stamped"
# Its own window never counts.
grep -qF "path1=" "$work/config/ZeqConfig/defualt.ini" && fail "more than the one program recorded"

# Leave through the close box: what is open now goes to lr.dat.
xdotool windowactivate --sync "$win" >/dev/null 2>&1
xdotool key alt+F4
wait_for 300 bash -c "! kill -0 $app_pid 2>/dev/null" || fail "the program did not end on close"
for f in defualt.ini fav.dat rec.dat run.dat lr.dat note.txt; do
    test -f "$work/config/ZeqConfig/$f" || fail "$f missing after exit"
done
grep -qxF "$client_path"$'\r' "$work/config/ZeqConfig/lr.dat" || fail "lr.dat lacks the open program"
grep -qF "kept.example" "$work/config/ZeqConfig/lr.dat" && fail "lr.dat kept the list read at start"
grep -q '^needRemoveAllStart=0' "$work/config/ZeqConfig/defualt.ini" || fail "settings not saved"
grep -qF "$client_path*|*" "$work/config/ZeqConfig/rec.dat" || fail "rec.dat lacks the recorded program"
test -f "$work/opened" && fail "something was opened: $(cat "$work/opened")"
echo "PASS"
