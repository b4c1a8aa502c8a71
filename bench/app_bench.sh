#!/usr/bin/env bash
# Whole-program figures under Xvfb with openbox:
#  - start to window shown, Qarvex with 1000 history entries beside a bare Qt window
#    program from the same build (the floor), median of N runs;
#  - resident memory of an idle Qarvex, before and after its first web search.
#  - wake-ups while idle: voluntary context switches over IDLE_SECONDS (default 60) of a
#    Qarvex with the scan timer off, then on, beside the bare window;
#  - whether the program links the browser engine (it must not: it is a module).
# Usage: bash bench/app_bench.sh [build-dir] [runs]
set -euo pipefail
# A desktop session always has a session bus. Without one, the first D-Bus call of a
# program (the tray asks the bus for a status-notifier host) autolaunches a bus daemon,
# and the start would be timed with that daemon's start.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v dbus-run-session >/dev/null; then
  exec dbus-run-session -- bash "$0" "$@"
fi
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$top/build}"
runs="${2:-7}"
command -v xdotool >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q xdotool >/dev/null
cmake --build "$build" --target qarvex bare_window >/dev/null
if ldd "$build/qarvex" | grep -qEi 'webengine|quick|qml'; then
  echo "qarvex links the browser engine:"; ldd "$build/qarvex" | grep -Ei 'webengine|quick|qml'
else
  echo "qarvex links no WebEngine, Quick or QML ($(ldd "$build/qarvex" | wc -l) libraries)"
fi

work="$(mktemp -d)"
cleanup() { kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
# -displayfd: the server picks a free display (the machine is shared).
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(tr -dc '0-9' <"$work/display")"
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

# Voluntary context switches of the threads alive at both readings, summed.
switches() { # pid -> "tid count" lines
  local f
  for f in /proc/$1/task/*/status; do
    echo "$(basename "$(dirname "$f")") $(awk '/^voluntary_ctxt_switches/ {print $2}' "$f" 2>/dev/null)"
  done
}
woken() { # before-file after-file
  join <(sort "$1") <(sort "$2") | awk '{t += $3 - $2} END {print t + 0}'
}
idle_seconds="${IDLE_SECONDS:-60}"
idle_wakes() { # cbrefresh -> "qarvex bare" switches over idle_seconds; the bare window is
  # started last, so it is the active window and Qarvex's search box does not blink.
  printf '[default]\r\nCbRefresh=%s\r\nCheckDocInterval=60\r\n' "$1" > "$work/idle/config/ZeqConfig/defualt.ini"
  HOME="$work/idle/home" XDG_CONFIG_HOME="$work/idle/config" "$build/qarvex" >/dev/null 2>&1 &
  local qp=$!
  sleep 4
  "$build/bench/bare_window" >/dev/null 2>&1 &
  local bp=$!
  # Counting starts once the start-up's work has settled: Qt's pooled worker threads end
  # 30 s after their last job, and their ending wakes the window thread once each.
  sleep 40
  switches $qp > "$work/q0"; switches $bp > "$work/b0"
  sleep "$idle_seconds"
  switches $qp > "$work/q1"; switches $bp > "$work/b1"
  kill $qp $bp; wait $qp $bp 2>/dev/null || true
  echo "$(woken "$work/q0" "$work/q1") $(woken "$work/b0" "$work/b1")"
}
mkdir -p "$work/idle/config/ZeqConfig" "$work/idle/home"
read -r q_off b_off <<<"$(idle_wakes 0)"
read -r q_on b_on <<<"$(idle_wakes 1)"
echo "idle ${idle_seconds} s, voluntary context switches: scan timer off ${q_off}, scan timer on (60 s) ${q_on}; bare Qt window ${b_off} and ${b_on}"

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
"$build/bench/bare_window" >/dev/null 2>&1 &
bare_pid=$!
sleep 3
bare=$(rss_kb $bare_pid)
kill $bare_pid; wait $bare_pid 2>/dev/null || true
win=$(xdotool search --onlyvisible --name '^Qarvex3.0$' | head -1)
xdotool windowactivate --sync "$win" 2>/dev/null || true
# The search box: type a keyword and press Enter (a word that names no file runs the web search).
xdotool mousemove --window "$win" 500 12 click 1
xdotool type --delay 20 qarvex
xdotool key Return
sleep 12
after=$(rss_kb $pid)
after_all=$(tree_rss_kb $pid)
echo "resident memory: bare Qt window ${bare} kB; Qarvex idle ${idle} kB; after the first web search ${after} kB (with browser processes ${after_all} kB)"
