#!/bin/bash
# The command line without a display: help, a wrong option, a search and an export of a
# stored history, none of which may change anything in the configuration folder.
#
# usage: command_line_test.sh QARVEX_BINARY
set -u
qarvex=$1
. "$(dirname "${BASH_SOURCE[0]}")/../e2e/wait_for.sh"
require_tools python3 sha256sum

work=$(mktemp -d "${TMPDIR:-/tmp}/qarvex-cli.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

config="$work/config/ZeqConfig"
mkdir -p "$config" "$work/empty" "$work/out"
# A history as the program stores it (GB18030, CR LF): a Chinese title, a title that is a
# formula with a tab in it, and a program whose stored group a start would correct.
cp "$(dirname "${BASH_SOURCE[0]}")/../data/desktop/defualt.ini" "$config/"
snapshot() { (cd "$work/config" && find . -printf '%p %m %s\n' | sort && find . -type f -exec sha256sum {} + | sort); }
before=$(snapshot)

run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$work/config" \
            HOME="$work" LC_ALL=C.UTF-8 "$qarvex" "$@"; }

run --help >"$work/help.out" 2>&1 || fail "--help failed: $(cat "$work/help.out")"
grep -q -- "--search" "$work/help.out" || fail "--help does not list --search"
env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME="$work/config" LANG=zh_CN.UTF-8 LC_ALL= \
    "$qarvex" --help | grep -q "用法" || fail "--help is not in Chinese for a Chinese locale"

run --version >"$work/version.out" 2>&1 || fail "--version failed"
grep -q "display: none" "$work/version.out" || fail "--version without a display: $(cat "$work/version.out")"

run --bogus >"$work/bogus.out" 2>&1
status=$?
[ "$status" -eq 2 ] || fail "an unknown option ended with $status, not 2"
grep -q -- "--bogus" "$work/bogus.out" || fail "the message does not name the option: $(cat "$work/bogus.out")"
# A session manager restarts the program with Qt's own "-session ID".
run -session 10d1e5c0 --version >/dev/null 2>&1 || fail "Qt's -session was refused"

run --search 百度 >"$work/search.out" 2>"$work/search.err" || fail "--search 百度 found nothing: $(cat "$work/search.err")"
# The fifth field is the machine that recorded the entry: this one, by its host name.
printf '百度一下，你就知道\thttps://www.baidu.com/\t网页\t2026-03-01\t%s\n' "$(uname -n)" | cmp -s - "$work/search.out" ||
    fail "--search 百度 printed: $(cat -A "$work/search.out")"
run --search HYPERLINK >"$work/tab.out" || fail "--search HYPERLINK found nothing"
[ "$(awk -F'\t' '{print NF}' "$work/tab.out")" = 5 ] || fail "a title with a tab broke the line: $(cat -A "$work/tab.out")"
run --search nothing-like-this >"$work/none.out"
[ $? -eq 1 ] && [ ! -s "$work/none.out" ] || fail "a search without a match did not end with 1 and no output"

run --export "$work/out/h.csv" || fail "--export to CSV failed"
run --export "$work/out/h.json" || fail "--export to JSON failed"
python3 - "$work/out/h.csv" "$work/out/h.json" <<'PY' || fail "the exported files do not hold the history"
import csv, json, sys
rows = list(csv.reader(open(sys.argv[1], encoding="utf-8-sig", newline="")))
assert len(rows) == 4, rows
assert any("https://www.baidu.com/" in r for r in rows), rows
assert all(not cell.startswith("=") for r in rows for cell in r), rows
assert len(json.load(open(sys.argv[2], encoding="utf-8"))) == 3
PY

[ "$(snapshot)" = "$before" ] || fail "the configuration folder changed: $(diff <(echo "$before") <(snapshot))"

# With a synced folder, another machine's entries come after ours with its name; the
# search only reads: no id is stored, nothing is written to the folder.
shared="$work/shared"
mkdir -p "$shared" "$work/synced/ZeqConfig"
python3 - "$config/defualt.ini" "$work/synced/ZeqConfig/defualt.ini" "$shared" <<'PY'
import sys
ini = open(sys.argv[1], "rb").read()
ini = ini.replace(b"[default]\r\n", b"[default]\r\nSyncFolder=" + sys.argv[3].encode() + b"\r\n", 1)
open(sys.argv[2], "wb").write(ini)
lines = ["QARVEX-SHARD\t1\t0123456789abcdef0123456789abcdef\tlaptop\t1760000000",
         "E\thttps://www.baidu.com/more\tBaidu more\t1\twww.baidu.com\t2026-03-02\t2026-03-02\t0"]
lines.append("END\t%d" % len(lines))
open(sys.argv[3] + "/0123456789abcdef0123456789abcdef.qarvex", "wb").write("".join(l + "\r\n" for l in lines).encode())
PY
synced_before=$(cd "$work" && find synced shared -printf '%p %s\n' | sort)
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$work/synced" HOME="$work" \
    LC_ALL=C.UTF-8 "$qarvex" --search baidu >"$work/synced.out" || fail "--search over the synced folder failed"
printf '百度一下，你就知道\thttps://www.baidu.com/\t网页\t2026-03-01\t%s\nBaidu more\thttps://www.baidu.com/more\t网页\t2026-03-02\tlaptop\n' \
    "$(uname -n)" | cmp -s - "$work/synced.out" || fail "--search over the synced folder printed: $(cat -A "$work/synced.out")"
[ "$(cd "$work" && find synced shared -printf '%p %s\n' | sort)" = "$synced_before" ] ||
    fail "--search wrote to the configuration or the synced folder"
# Nothing stored yet: nothing is made either.
env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME="$work/empty" HOME="$work" "$qarvex" --search a
[ -z "$(ls -A "$work/empty")" ] || fail "--search made $(ls -A "$work/empty")"
echo PASS
