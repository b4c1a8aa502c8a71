#!/usr/bin/env bash
# Builds Qarvex and starts it on the current X display.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
bash "$top/scripts/setup-deps.sh"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" --target qarvex -j"$(nproc)"
exec "$top/build/qarvex" "$@"
