#!/usr/bin/env bash
# Builds Qarvex and starts it on the current display. Installs only what building and
# running need: the tests' packages come with scripts/test.sh.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
bash "$top/scripts/setup-deps.sh"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DQARVEX_BUILD_TESTS=OFF -DQARVEX_BUILD_BENCH=OFF >/dev/null
cmake --build "$top/build" --target qarvex -j"$(nproc)"
exec "$top/build/qarvex" "$@"
