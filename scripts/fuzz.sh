#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour checks on)
# and runs each for the given number of seconds (default 30), or, with QARVEX_FUZZ_RUNS,
# for that many runs however long they take, on inputs of up to 1 MiB, so that the
# readers' own limits (8192 tabs of a Chromium log, 512 entries a tab) can be reached.
# Every run starts from the seeds in tests/fuzz/corpus/ alone, so that with
# QARVEX_FUZZ_SEED it explores exactly as the last one did. Any crash, sanitizer report or
# broken invariant fails the script; the input that caused it is kept as
# build-fuzz/findings/<target>/crash-*. One line per target says "fuzz <target>: passed"
# or "fuzz <target>: failed".
#
#   bash scripts/fuzz.sh [seconds]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-30}"
build="${QARVEX_FUZZ_BUILD:-$top/build-fuzz}"
jobs="${QARVEX_FUZZ_JOBS:-2}"
# A fixed seed makes a run repeatable (CI uses one); without it every run explores anew.
seed_arg=()
[ -n "${QARVEX_FUZZ_SEED:-}" ] && seed_arg=(-seed="$QARVEX_FUZZ_SEED")
# With a seed, a fixed number of runs makes the whole exploration repeatable, so no time
# limit cuts it short; an outer bound (QARVEX_FUZZ_LIMIT seconds) only stops a hang.
time_arg=(-max_total_time="$seconds")
bound=()
if [ -n "${QARVEX_FUZZ_RUNS:-}" ]; then
    seed_arg+=(-runs="$QARVEX_FUZZ_RUNS")
    time_arg=()
    bound=(timeout --kill-after=10 "${QARVEX_FUZZ_LIMIT:-1800}")
fi
cd "$top"

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DQARVEX_CORE_ONLY=ON -DQARVEX_FUZZ=ON -DQARVEX_BUILD_TESTS=ON -DQARVEX_BUILD_BENCH=OFF >/dev/null
targets=(ini_file list_file address_rules firefox_session chromium_session desktop_entry
         window_report exclusions folder_address profiles_ini local_state mountinfo xbel sync_shard)
cmake --build "$build" -j"$jobs" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
failed=()
for target in "${targets[@]}"; do
  # The seeds stay as they are in the repository; what a run learns goes to the build
  # folder, emptied first: a run never starts from what an earlier one found.
  learned="$build/corpus/$target"
  findings="$build/findings/$target"
  rm -rf "$learned"
  mkdir -p "$learned" "$findings"
  echo "== fuzz_$target for ${QARVEX_FUZZ_RUNS:-${seconds}s}${QARVEX_FUZZ_RUNS:+ runs}"
  if ! "${bound[@]}" "$build/tests/fuzz_$target" "${seed_arg[@]}" "${time_arg[@]}" -timeout=10 \
       -rss_limit_mb=2048 -max_len=1048576 -print_final_stats=1 -artifact_prefix="$findings/" \
       "$learned" "$top/tests/fuzz/corpus/$target" >"$build/fuzz_$target.log" 2>&1; then
    tail -n 40 "$build/fuzz_$target.log"
    failed+=("$target")
    echo "fuzz $target: failed"
  else
    grep -E '^stat::number_of_executed_units|^Done' "$build/fuzz_$target.log" || true
    echo "fuzz $target: passed"
  fi
done

if ((${#failed[@]})); then
  echo "fuzzing found faults in: ${failed[*]} (inputs in $build/findings/)" >&2
  exit 1
fi
echo "fuzzing: no faults"
