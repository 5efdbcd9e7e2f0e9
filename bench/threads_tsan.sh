#!/usr/bin/env bash
# The serial library's thread tests under ThreadSanitizer, too slow for every CI run:
#   bench/threads_tsan.sh [RUNS]      (default 3)
# Builds build-tsan/ (the library and its tests only, -fsanitize=thread), runs the Threads
# tests RUNS times (threads opening, closing, reading and writing one pseudo-terminal's ports
# and stale handles; a close during a read; a send beside a read) and prints, last line:
#   threads_tsan: N runs, R with a report
# Exits non-zero when any run failed or ThreadSanitizer reported anything.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
bash scripts/setup.sh >/dev/null
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZM_BUILD_GUI=OFF -DZM_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread" -DCMAKE_C_FLAGS="-fsanitize=thread" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build build-tsan -j2 --target seriallink_tests >build-tsan/threads_tsan.log 2>&1 ||
  { tail -30 build-tsan/threads_tsan.log; exit 1; }
reported=0
for run in $(seq "$runs"); do
  out=$(TSAN_OPTIONS="halt_on_error=0 exitcode=66 second_deadlock_stack=1" \
    build-tsan/tests/seriallink_tests --gtest_filter='Threads.*:ExportsTest.EveryCallRefuses*' 2>&1) || {
    echo "$out" | grep -E -A12 'WARNING: ThreadSanitizer|Failure' | head -60
    reported=$((reported + 1))
  }
  echo "threads_tsan: run $run: $(grep -c 'WARNING: ThreadSanitizer' <<<"$out" || true) reports, $(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\./\1 tests passed/p' <<<"$out")"
done
echo "threads_tsan: $runs runs, $reported with a report"
[ "$reported" -eq 0 ]
