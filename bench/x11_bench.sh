#!/usr/bin/env bash
# The real X11 enumeration of 50 windows, under Xvfb with openbox.
# Usage: bash bench/x11_bench.sh [build-dir]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$top/build}"
cmake --build "$build" --target qarvex_x11_bench >/dev/null
display=95
Xvfb :$display -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
sleep 1
DISPLAY=:$display openbox --sm-disable >/dev/null 2>&1 &
sleep 1
DISPLAY=:$display "$build/bench/qarvex_x11_bench"
