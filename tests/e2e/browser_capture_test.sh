#!/bin/bash
# The real program and a real Chromium on a display of their own. Chromium shows two
# web pages (one with a Chinese title), a blank tab and a local file whose name is
# Chinese; F5 on the web tab records both pages with their titles and the file under
# its real name, and nothing for the blank tab. Then a third page is opened and the
# browser is closed: its session file still lists that page, but a browser that no
# longer runs has nothing open, so the next refresh records nothing of it.
#
# usage: browser_capture_test.sh QARVEX_BINARY HTTP_PAGES_BINARY FAKE_FILE_MANAGER_BINARY
set -u

if [ $# -ne 3 ]; then
    echo "usage: $0 QARVEX_BINARY HTTP_PAGES_BINARY FAKE_FILE_MANAGER_BINARY" >&2
    exit 2
fi
qarvex=$1
http_pages=$2
fake_file_manager=$3
. "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"
require_tools Xvfb openbox dbus-daemon xdotool xprop iconv od
chromium=$(command -v chromium || command -v chromium-browser) ||
    cannot_run "chromium is missing (apt-get install chromium)"

work=$(mktemp -d "${TMPDIR:-/tmp}/qarvex-browser-capture.XXXXXX") || exit 2
pids=()
browser_pid=""
cleanup() {
    [ -n "$browser_pid" ] && kill -9 "$browser_pid" 2>/dev/null
    for pid in "${pids[@]}"; do
        kill -9 "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

ini="$work/config/ZeqConfig/defualt.ini"
fail() {
    echo "FAIL: $*" >&2
    echo "--- program output" >&2
    cat "$work/qarvex.log" >&2
    echo "--- browser output (last lines)" >&2
    tail -n 30 "$work/chromium.log" >&2 2>/dev/null
    echo "--- settings" >&2
    iconv -f GB18030 -t UTF-8 "$ini" >&2 2>/dev/null
    exit 1
}

# Generous limits: the machine may be busy with builds on both cores.

# The settings file is GB18030 on disk.
gb() { printf '%s' "$1" | iconv -f UTF-8 -t GB18030; }
# The name recorded for an address, or nothing.
recorded_name() {
    local index
    index=$(grep -a "^path[0-9]*=$1"$'\r' "$ini" 2>/dev/null | head -n1 | sed 's/^path\([0-9]*\)=.*/\1/')
    [ -n "$index" ] && grep -a "^name$index=" "$ini" | head -n1 | sed "s/^name$index=//; s/\r\$//" |
        iconv -f GB18030 -t UTF-8
}
is_recorded() { [ -n "$(recorded_name "$1")" ]; }
hex() { od -An -tx1 -v | tr -d ' \n'; }
# True when the profile's session log holds this title (UTF-16) or address (bytes).
session_holds() {
    local pattern
    pattern=$(printf '%s' "$1" | iconv -f UTF-8 -t "$2" | hex)
    for f in "$profile"/Sessions/Session_*; do
        [ -f "$f" ] && hex <"$f" | grep -q "$pattern" && return 0
    done
    return 1
}

start_x_session "$work" 1280x1024

# Nothing real is ever opened.
mkdir -p "$work/bin"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s/opened"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"

mkdir -p "$work/config/ZeqConfig" "$work/pages" "$work/文档"
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
unset QT_QPA_PLATFORM

# Chromium writes a tab's title into its session log only with a navigation; a page
# whose title is known before its first commit would stay untitled there until the user
# navigates. Each page therefore commits once more, in place, after it has loaded.
page() {
    printf '<!doctype html><html><head><meta charset="utf-8"><title>%s</title><script>' "$1"
    printf "addEventListener('load', () => history.replaceState(null, '', location.href));"
    printf '</script></head><body>%s</body></html>\n' "$1"
}
page 'Page A' >"$work/pages/a.html"
page '中文标题 页面' >"$work/pages/b.html"
page 'Page C' >"$work/pages/c.html"
page '本地文件' >"$work/文档/中.html"

mkfifo "$work/http-out"
"$http_pages" "$work/pages" >"$work/http-out" &
pids+=($!)
read -r word port <"$work/http-out"
[ "$word" = port ] && [ -n "$port" ] || fail "the page server did not start"
site="http://127.0.0.1:$port"

# The web tab first, with the periodic scan off so that only F5 scans.
printf '[default]\r\nControlIndex=0\r\nCbRefresh=0\r\n' >"$ini"
start_qarvex "$work/qarvex.log"

user_data="$XDG_CONFIG_HOME/chromium"
profile="$user_data/Default"
browser() {
    "$chromium" --no-sandbox --no-first-run --password-store=basic --no-default-browser-check \
        --disable-background-networking --disable-component-update --disable-sync \
        --disable-gpu --user-data-dir="$user_data" "$@" >>"$work/chromium.log" 2>&1
}
browser "$site/a.html" "$site/b.html" about:blank "file://$work/文档/中.html" &
# The process that holds the profile names itself in SingletonLock.
wait_for 1200 test -L "$user_data/SingletonLock" ||
    cannot_run "chromium did not start: $(tail -n 20 "$work/chromium.log")"
browser_pid=$(readlink "$user_data/SingletonLock" | sed 's/.*-//')
wait_for 1200 session_holds 'Page A' UTF-16LE || fail "the session never held page A's title"
wait_for 1200 session_holds '中文标题 页面' UTF-16LE || fail "the session never held page B's title"
wait_for 1200 session_holds '本地文件' UTF-16LE || fail "the session never held the local page"

press_f5
is_recorded "$site/b.html" || fail "F5 on the web tab did not record the browser's pages"
[ "$(recorded_name "$site/a.html")" = 'Page A' ] || fail "page A not recorded with its title"
[ "$(recorded_name "$site/b.html")" = '中文标题 页面' ] || fail "page B not recorded with its title"
grep -aqF "$(gb "文档/中.html")" "$ini" ||
    fail "the local file is not recorded under its real name"
grep -aq '%E6%96%87' "$ini" && fail "the local file is recorded with escapes"
grep -aqiE '^path[0-9]*=(about:|chrome:)' "$ini" && fail "the blank tab was recorded"

# A third page, never refreshed while the browser runs; then the browser ends.
browser "$site/c.html"
wait_for 1200 session_holds 'Page C' UTF-16LE || fail "the session never held page C"
kill -TERM "$browser_pid"
wait_for 600 bash -c "! kill -0 $browser_pid 2>/dev/null" || fail "chromium did not end"
browser_pid=""
session_holds "$site/c.html" UTF-8 || fail "the closed browser's session no longer lists page C"

# The next refresh reads the window list again (the file manager's folder shows it did)
# and finds no page of a browser that no longer runs.
mkfifo "$work/fm-out"
"$fake_file_manager" "file://$work/folder" >"$work/fm-out" 2>/dev/null &
pids+=($!)
read -r ready <"$work/fm-out"
[ "$ready" = ready ] || fail "the fake file manager did not start"
press_f5
grep -aqF "$work/folder" "$ini" || fail "the refresh after the browser ended did not record the folder"
grep -aqF "$site/c.html" "$ini" && fail "a page of the closed browser was recorded"
test -f "$work/opened" && fail "something was opened: $(cat "$work/opened")"
echo "PASS"
