#!/bin/bash
# Two machines, each a display, a session bus, a Syncthing instance and a copy of the
# program of its own, sharing one history through the folder Syncthing replicates:
#  1. a page a real Chromium shows on A, recorded there, is found on B by --search,
#     named as A's, and never enters B's own history;
#  2. both record folders at once, pass after pass: every entry of each is found on the
#     other, and Syncthing never had a conflict to settle;
#  3. B deletes A's page from its search box: the page leaves A's history, and nothing
#     else does.
#
# usage: shared_folder_test.sh QARVEX_BINARY HTTP_PAGES_BINARY FAKE_FILE_MANAGER_BINARY
set -u

if [ $# -ne 3 ]; then
    echo "usage: $0 QARVEX_BINARY HTTP_PAGES_BINARY FAKE_FILE_MANAGER_BINARY" >&2
    exit 2
fi
qarvex=$1
http_pages=$2
fake_file_manager=$3
here=$(dirname "${BASH_SOURCE[0]}")
. "$here/x_session.sh"
. "$here/syncthing_pair.sh"
require_tools Xvfb openbox dbus-daemon xdotool xprop iconv od syncthing python3
chromium=$(command -v chromium || command -v chromium-browser) ||
    cannot_run "chromium is missing (apt-get install chromium)"

use_work_folder shared-folder

declare -A name=([a]=办公室 [b]=家里) display bus wins file_manager
fail() {
    echo "FAIL: $*" >&2
    for m in a b; do
        echo "--- program output on ${name[$m]}" >&2
        cat "$work/$m/qarvex.log" >&2 2>/dev/null
        echo "--- shared folder on ${name[$m]}" >&2
        ls -la "$work/st/$m/shared" >&2 2>/dev/null
    done
    tail -n 20 "$work/chromium.log" >&2 2>/dev/null
    st_log_tail >&2
    exit 1
}

start_syncthing_pair "$work/st"
# The engine alone first, so that a fault of its own is not taken for the program's. The
# file stays: the program must pass over what is not a machine's file.
echo probe >"$st_folder_a/probe.txt"
wait_for 600 cmp -s "$st_folder_a/probe.txt" "$st_folder_b/probe.txt" ||
    fail "a file written into one copy of the folder never reached the other"
declare -A folder=([a]=$st_folder_a [b]=$st_folder_b)

# Switches the environment, and the window press_f5 works on, to machine a or b.
on() {
    export DISPLAY=${display[$1]} DBUS_SESSION_BUS_ADDRESS=${bus[$1]} HOME="$work/$1/home" \
        XDG_CONFIG_HOME="$work/$1/config" TMPDIR="$work/$1/tmp" XDG_RUNTIME_DIR="$work/$1/runtime"
    qarvex_log="$work/$1/qarvex.log"
    win=${wins[$1]:-}
}
ini() { echo "$work/$1/config/ZeqConfig/defualt.ini"; }
in_history() { grep -aqF "$2" "$(ini "$1")"; }
# What --search prints on machine $1 for $2, as a user there would run it (no display).
search_on() {
    (on "$1" && env -u DISPLAY -u WAYLAND_DISPLAY LC_ALL=C.UTF-8 "$qarvex" --search "$2" 2>/dev/null)
}
# True when --search on $1 finds $3 (an address) in a row naming machine $2.
found_on() {
    search_on "$1" "$3" | awk -F'\t' -v a="$3" -v m="$2" '$2 == a && $5 == m { ok = 1 } END { exit !ok }'
}
# Machine $1's own file in the folder, once its settings hold the id the program made.
own_file() {
    local id
    id=$(grep -a '^SyncId=' "$(ini "$1")" 2>/dev/null | head -n1 | tr -d '\r' | sed 's/^SyncId=//')
    [ -n "$id" ] && echo "${folder[$1]}/$id.qarvex"
}
own_file_holds() {
    local file
    file=$(own_file "$1") && grep -aqF "$2" "$file" 2>/dev/null
}
# The file manager of machine $1 shows one window with folder $2.
show_folder() {
    local m=$1
    [ -n "${file_manager[$m]:-}" ] && kill "${file_manager[$m]}" 2>/dev/null &&
        wait "${file_manager[$m]}" 2>/dev/null
    mkdir -p "$2"
    (on "$m" && exec "$fake_file_manager" "file://$2") >"$work/$m/fm.out" 2>&1 &
    file_manager[$m]=$!
    pids+=($!)
    wait_for 300 grep -qx ready "$work/$m/fm.out" || fail "the file manager on ${name[$m]} did not start"
}

export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
unset QT_QPA_PLATFORM
for m in a b; do
    start_x_session "$work/$m"
    display[$m]=$DISPLAY bus[$m]=$DBUS_SESSION_BUS_ADDRESS
    mkdir -p "$work/$m/config/ZeqConfig" "$work/$m/tmp" "$work/$m/runtime" "$work/$m/bin"
    chmod 700 "$work/$m/runtime"
    # Nothing real is ever opened.
    printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s/opened"\n' "$work/$m" >"$work/$m/bin/xdg-open"
    chmod +x "$work/$m/bin/xdg-open"
    # The web tab, only F5 scanning, the shared folder and the machine's name (GB18030).
    {
        printf '[default]\r\nControlIndex=0\r\nCbRefresh=0\r\nSyncFolder=%s\r\nMachineName=' "${folder[$m]}"
        printf '%s' "${name[$m]}" | iconv -f UTF-8 -t GB18030
        printf '\r\n'
    } >"$(ini "$m")"
done
for m in a b; do
    on "$m"
    PATH="$work/$m/bin:$PATH" start_qarvex "$qarvex_log"
    wins[$m]=$win
    wait_for 300 own_file "$m" >/dev/null || fail "${name[$m]} never made itself an id for the folder"
done

# 1. A page on A, shown by a real browser and recorded by F5 there.
mkdir -p "$work/pages"
printf '<!doctype html><html><head><meta charset="utf-8"><title>%s</title><script>%s</script></head><body>%s</body></html>\n' \
    'Zephyr 共享页面' "addEventListener('load', () => history.replaceState(null, '', location.href));" \
    'Zephyr' >"$work/pages/zephyr.html"
mkfifo "$work/http-out"
"$http_pages" "$work/pages" >"$work/http-out" &
pids+=($!)
read -r word port <"$work/http-out"
[ "$word" = port ] && [ -n "$port" ] || fail "the page server did not start"
page="http://127.0.0.1:$port/zephyr.html"

on a
user_data="$XDG_CONFIG_HOME/chromium"
"$chromium" --no-sandbox --no-first-run --password-store=basic --no-default-browser-check \
    --disable-background-networking --disable-component-update --disable-sync --disable-gpu \
    --user-data-dir="$user_data" "$page" >>"$work/chromium.log" 2>&1 &
pids+=($!)
session_has_title() {
    local f pattern
    pattern=$(printf 'Zephyr 共享页面' | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 -v | tr -d ' \n')
    for f in "$user_data"/Default/Sessions/Session_*; do
        [ -f "$f" ] && od -An -tx1 -v "$f" | tr -d ' \n' | grep -q "$pattern" && return 0
    done
    return 1
}
wait_for 1200 test -L "$user_data/SingletonLock" ||
    cannot_run "chromium did not start: $(tail -n 20 "$work/chromium.log")"
wait_for 1200 session_has_title || fail "the browser's session never held the page's title"
press_f5
in_history a "$page" || fail "F5 on ${name[a]} did not record the browser's page"
kill "$(readlink "$user_data/SingletonLock" | sed 's/.*-//')" 2>/dev/null

wait_for 900 found_on b "${name[a]}" "$page" ||
    fail "the page recorded on ${name[a]} was never found on ${name[b]}: $(search_on b "$page")"
row=$(search_on b 共享页面 | grep -F "$page")
[ "$(cut -f1 <<<"$row")" = 'Zephyr 共享页面' ] || fail "the page's title reached ${name[b]} as: $row"
in_history b "$page" && fail "the page of ${name[a]} entered the history of ${name[b]}"

# 2. Both record at once: each round, each machine's file manager shows a new folder, F5
# is pressed on both, and each writes its file while the other's may be arriving.
rounds=3
for round in $(seq 1 $rounds); do
    declare -A before=()
    for m in a b; do
        show_folder "$m" "$work/$m/places/$m-round-$round"
        on "$m"
        before[$m]=$(passes_ended)
    done
    for m in a b; do
        on "$m"
        xdotool windowactivate --sync "$win" >/dev/null 2>&1 || fail "the window of ${name[$m]} could not be activated"
        xdotool key F5
    done
    for m in a b; do
        on "$m"
        wait_for 300 more_passes_than "${before[$m]}" || fail "F5 started no scan pass on ${name[$m]}"
        in_history "$m" "$m-round-$round" || fail "round $round's folder was not recorded on ${name[$m]}"
    done
    for m in a b; do
        wait_for 300 own_file_holds "$m" "$m-round-$round" ||
            fail "${name[$m]} never wrote round $round's folder into its file"
    done
done
wait_for 900 found_on b "${name[a]}" "$work/a/places/a-round-$rounds" ||
    fail "the last folder of ${name[a]} was never found on ${name[b]}"
wait_for 900 found_on a "${name[b]}" "$work/b/places/b-round-$rounds" ||
    fail "the last folder of ${name[b]} was never found on ${name[a]}"
for round in $(seq 1 $rounds); do
    found_on b "${name[a]}" "$work/a/places/a-round-$round" ||
        fail "round $round's folder of ${name[a]} was lost on ${name[b]}"
    found_on a "${name[b]}" "$work/b/places/b-round-$round" ||
        fail "round $round's folder of ${name[b]} was lost on ${name[a]}"
done
found_on b "${name[a]}" "$page" || fail "the page of ${name[a]} was lost on ${name[b]}"
wait_for 900 st_settled || fail "the two copies of the folder never became the same"
conflicts=$(find "$st_folder_a" "$st_folder_b" -name '*.sync-conflict-*')
[ -z "$conflicts" ] || fail "Syncthing had to settle a conflict: $conflicts"
# Nor is anything left behind there: no temporary of a replaced file, no third file.
expected=$(printf '%s\n' .stfolder probe.txt "$(basename "$(own_file a)")" "$(basename "$(own_file b)")" | sort)
for m in a b; do
    [ "$(ls -A "${folder[$m]}" | sort)" = "$expected" ] ||
        fail "the folder on ${name[$m]} holds more than the two machines' files: $(ls -A "${folder[$m]}")"
done

# 3. B deletes A's page: in its search box, the row found by typing, then Delete.
on b
xdotool windowactivate --sync "$win" >/dev/null 2>&1 || fail "the window of ${name[b]} could not be activated"
xdotool type --delay 20 Zephyr
xdotool key Down Delete
wait_for 900 bash -c "! grep -aqF '$page' '$(ini a)'" ||
    fail "the page deleted on ${name[b]} is still in the history of ${name[a]}"
for round in $(seq 1 $rounds); do
    in_history a "a-round-$round" || fail "the deletion took round $round's folder from ${name[a]} too"
done
wait_for 600 bash -c "! grep -aqF '$page' '$(own_file a)'" ||
    fail "the page deleted on ${name[b]} is still in the file of ${name[a]}"
search_on b 共享页面 | grep -qF "$page" && fail "the deleted page is still found on ${name[b]}"
for m in a b; do
    [ -f "$work/$m/opened" ] && fail "something was opened on ${name[$m]}: $(cat "$work/$m/opened")"
done
echo PASS
