#!/usr/bin/env bash
# Whole-program figures under Xvfb with openbox:
#  - start to window shown, Qarvex with 1000 history entries beside a bare Qt window
#    program from the same build (the floor), median of N runs;
#  - resident memory of an idle Qarvex, before and after its first web search.
# Usage: bash bench/app_bench.sh [build-dir] [runs]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$top/build}"
runs="${2:-7}"
command -v xdotool >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q xdotool >/dev/null
cmake --build "$build" --target qarvex bare_window >/dev/null

work="$(mktemp -d)"
cleanup() { kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
display=97
Xvfb :$display -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
sleep 1
export DISPLAY=:$display
openbox --sm-disable >/dev/null 2>&1 &
sleep 1

# 1000 stored entries, as a long-used copy has them.
mkdir -p "$work/config/ZeqConfig" "$work/home"
{
  printf '[default]\r\nCbRefresh=0\r\n[docs]\r\n'
  for n in $(seq 0 999); do
    printf 'name%d=页面 %d\r\ndate%d=2026-01-01\r\nRootPath%d=host%d\r\ndoctype%d=1\r\npath%d=http://host%d/p%d\r\nselected%d=0\r\n' \
      $n $n $n $n $((n % 97)) $n $n $((n % 97)) $n $n
  done
} > "$work/config/ZeqConfig/defualt.ini"

now_ms() { date +%s%3N; }

# Milliseconds from exec to a mapped window with the given title.
time_to_window() {
  local title="$1"; shift
  local start end pid
  start=$(now_ms)
  "$@" >/dev/null 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --name "^${title}\$" >/dev/null 2>&1; do sleep 0.005; done
  end=$(now_ms)
  kill $pid; wait $pid 2>/dev/null || true
  while xdotool search --name "^${title}\$" >/dev/null 2>&1; do sleep 0.05; done
  echo $((end - start))
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# env execs the program, so the pid that is killed is Qarvex's own (a copy left running
# would make the next start hand over to it and exit at once).
q=$(for i in $(seq "$runs"); do
      cp "$work/config/ZeqConfig/defualt.ini" "$work/ini.bak"
      time_to_window "Qarvex3.0" env HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
        QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox "$build/qarvex"
      cp "$work/ini.bak" "$work/config/ZeqConfig/defualt.ini"
    done | median)
b=$(for i in $(seq "$runs"); do time_to_window "BareWindow" "$build/bench/bare_window"; done | median)
echo "start to window shown, median of $runs: qarvex (1000 entries) ${q} ms, bare Qt window ${b} ms"

# Resident memory, idle, then after the first web search.
HOME="$work/home" XDG_CONFIG_HOME="$work/config" QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox "$build/qarvex" >/dev/null 2>&1 &
pid=$!
sleep 8
rss_kb() { awk '/VmRSS/ {print $2}' /proc/$1/status; }
tree_rss_kb() { # the program and the browser processes it started
  local total=0 p
  for p in $1 $(pgrep -P "$1" || true) $(pgrep -f QtWebEngineProcess || true); do
    [ -r /proc/$p/status ] && total=$((total + $(rss_kb $p)))
  done
  echo $total
}
idle=$(rss_kb $pid)
win=$(xdotool search --onlyvisible --name '^Qarvex3.0$' | head -1)
xdotool windowactivate --sync "$win" 2>/dev/null || true
# The search box: type a keyword and press Enter (a word that names no file runs the web search).
xdotool mousemove --window "$win" 500 12 click 1
xdotool type --delay 20 qarvex
xdotool key Return
sleep 12
after=$(rss_kb $pid)
after_all=$(tree_rss_kb $pid)
echo "resident memory: idle ${idle} kB; after the first web search ${after} kB (with browser processes ${after_all} kB)"
