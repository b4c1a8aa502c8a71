#!/usr/bin/env bash
# Builds Qarvex with warnings as errors and runs every test: core, widget and
# end-to-end (under Xvfb with a window manager and a private session bus).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${QARVEX_TEST_BUILD:-$top/build-test}"
bash "$top/scripts/setup-deps.sh"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQARVEX_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
# Chromium's sandbox refuses to run as root; the embedded browser of the widget tests needs this.
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 600
