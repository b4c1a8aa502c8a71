#!/usr/bin/env bash
# Builds Qarvex with warnings as errors and runs every test: core, widget and
# end-to-end (under Xvfb with a window manager and a private session bus), then lists the
# tests that could not run here. Its results, one line per test, are left in
# $build/test-results.txt for .ci/run.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${QARVEX_TEST_BUILD:-$top/build-test}"
bash "$top/scripts/setup-deps.sh" --test
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQARVEX_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
# Chromium's sandbox refuses to run as root; the embedded browser of the widget tests needs this.
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
rm -f "$build/ctest-results.xml" "$build/test-results.txt"
status=0
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 600 \
      --output-junit "$build/ctest-results.xml" || status=$?
# What did not run here, and why: locally a missing tool is a skip, in CI (CI=true) a failure.
if [ -f "$build/ctest-results.xml" ]; then
  python3 "$top/scripts/test_results.py" junit "$build/ctest-results.xml" >"$build/test-results.txt"
  python3 "$top/scripts/test_results.py" skipped "$build/test-results.txt"
fi
exit "$status"
