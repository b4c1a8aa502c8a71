#!/usr/bin/env bash
# Makes docs/screenshot.png: Qarvex's main window under Xvfb, with a small sample history.
# Usage: bash scripts/screenshot.sh [build-dir]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$top/build}"
command -v import >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q imagemagick >/dev/null
[ -x "$build/qarvex" ] || { cmake -S "$top" -B "$build" -G Ninja >/dev/null; cmake --build "$build" --target qarvex; }

work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/config/ZeqConfig" "$work/home"

# A history as a week of ordinary use leaves it (written as the program writes it).
ini="$work/config/ZeqConfig/defualt.ini"
{
  # The favourites page, in use: what the user keeps at hand beside the dated history.
  printf '[default]\r\nControlIndex=4\r\nCbRefresh=0\r\nShowFavEdit=1\r\n[docs]\r\n'
  n=0
  add() { printf 'name%d=%s\r\ndate%d=%s\r\nRootPath%d=%s\r\ndoctype%d=%d\r\npath%d=%s\r\nselected%d=0\r\n' \
            $n "$1" $n "$2" $n "$3" $n "$4" $n "$5" $n; n=$((n+1)); }
  add "Debian -- 通用操作系统" 2026-12-01 www.debian.org 1 "http://www.debian.org/"
  add "Debian 新闻" 2026-12-01 www.debian.org 1 "http://www.debian.org/News/"
  add "Qt Documentation" 2026-12-02 doc.qt.io 1 "http://doc.qt.io/qt-6/"
  add "QTreeView Class" 2026-12-02 doc.qt.io 1 "http://doc.qt.io/qt-6/qtreeview.html"
  add "QSystemTrayIcon Class" 2026-12-03 doc.qt.io 1 "http://doc.qt.io/qt-6/qsystemtrayicon.html"
  add "维基百科" 2026-12-05 zh.wikipedia.org 1 "http://zh.wikipedia.org/wiki/"
  add "季度报告" 2026-12-06 "/home/user/Documents" 3 "file:///home/user/Documents/季度报告.odt"
} > "$ini"

# Favourites, newest first, in the files' own encoding.
printf '%s\r\n' \
  "http://zh.wikipedia.org/wiki/*|*维基百科" \
  "/home/user/Documents/季度报告.odt*|*季度报告" \
  "http://doc.qt.io/qt-6/qtreeview.html*|*QTreeView Class" \
  "/home/user/Projects*|*项目文件夹" \
  "http://www.debian.org/*|*Debian -- 通用操作系统" |
  iconv -f UTF-8 -t GB18030 > "$work/config/ZeqConfig/fav.dat"

# The server picks a free display number, so other X servers on the machine are left alone.
Xvfb -displayfd 3 -screen 0 1000x640x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
display=$(tr -dc '0-9' <"$work/display")
DISPLAY=:$display openbox --sm-disable >/dev/null 2>&1 &
sleep 1
DISPLAY=:$display HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
  QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox "$build/qarvex" >/dev/null 2>&1 &
sleep 5
mkdir -p "$top/docs"
DISPLAY=:$display import -window root -crop 1000x600+0+0 "$top/docs/screenshot.png"
echo "wrote docs/screenshot.png"
