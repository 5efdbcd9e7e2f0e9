#!/usr/bin/env bash
# Sets up, builds and runs every test: the plain build, then the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer (ZM_SKIP_SANITIZE=1 leaves that out), then the
# Windows checks of scripts/windows.sh (ZM_SKIP_WINDOWS=1 leaves them out), then the
# Debian package: built and checked with lintian, then installed, used and purged on a fresh
# Debian 12 (ZM_SKIP_PACKAGE=1 leaves both out, ZM_SKIP_PACKAGE_CHECK=1 only the second).
#
# A suite mostly waits on its lines and programs, and the fresh Debian's making on the network:
# the next build runs beside them, at a lower priority, its output kept in build-logs/ and shown
# when it is waited for. Each step says when it ended, in seconds from the start.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)
say() { echo "test: $* ($(($(date +%s) - started)) s)"; }
logs=$PWD/build-logs
rm -rf "$logs"
mkdir -p "$logs"
declare -A job_pid=()
# beside NAME COMMAND...: runs the command in the background, its output in build-logs/NAME.log.
beside() {
  local name=$1
  shift
  # A process group of its own, so that an early end takes all of it along.
  setsid nice -n 10 "$@" >"$logs/$name.log" 2>&1 &
  job_pid[$name]=$!
}
# joined NAME: waits for it, shows its output (a long one's end), and stops here when it failed.
joined() {
  local status=0
  wait "${job_pid[$1]}" || status=$?
  unset "job_pid[$1]"
  [ "$status" = 0 ] || { cat "$logs/$1.log"; echo "test: $1 failed (status $status)" >&2; exit 1; }
  tail -n 40 "$logs/$1.log"
  say "$1 done"
}
skip() { [ "${!1:-0}" = 1 ]; }
# Tests at once: most of a test's time is spent waiting on a line or a program, so more than
# the two cores (ZM_TEST_JOBS chooses).
jobs=${ZM_TEST_JOBS:-4}
cleanup() { for pid in "${job_pid[@]}"; do kill -- "-$pid" 2>/dev/null || true; done; }
trap cleanup EXIT

bash scripts/setup.sh
package_check=1
if skip ZM_SKIP_PACKAGE || skip ZM_SKIP_PACKAGE_CHECK; then package_check=0; fi
# The fresh Debian for the package check, made on the network while everything else runs; the
# check makes its own when this failed.
[ "$package_check" = 0 ] || beside fresh-debian bash scripts/package-check.sh --prepare

bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
say "plain build done"
skip ZM_SKIP_SANITIZE ||
  beside asan-build bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DZM_SANITIZE=ON -DZM_BUILD_BENCH=OFF
(cd build && ctest --output-on-failure -j"$jobs")
say "plain suite done"

# The Windows and package builds, one after the other, beside the sanitizer suite; the last
# line is the package's two files.
builds=(bash -euc '[ "${ZM_SKIP_WINDOWS:-0}" = 1 ] || bash scripts/windows.sh build
  [ "${ZM_SKIP_PACKAGE:-0}" = 1 ] || bash scripts/package.sh')
if ! skip ZM_SKIP_SANITIZE; then
  joined asan-build
  beside builds "${builds[@]}"
  (
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1
    export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    cd build-asan && ctest --output-on-failure -j"$jobs"
  )
  say "sanitizer suite done"
else
  beside builds "${builds[@]}"
fi
joined builds

# The package check, on the network and in its own root, beside the checks under wine.
if [ "$package_check" = 1 ]; then
  debs=$(tail -n 1 "$logs/builds.log")   # zmtools and zm32, on one line
  wait "${job_pid[fresh-debian]}" || echo "test: the fresh Debian made ahead failed; the check makes its own"
  unset "job_pid[fresh-debian]"
  cat "$logs/fresh-debian.log"
  beside package-check bash scripts/package-check.sh $debs
fi

# The Windows builds, proven under wine (ZM_SKIP_WINDOWS=1 leaves them out).
if ! skip ZM_SKIP_WINDOWS; then
  bash scripts/windows.sh checks
  say "Windows checks done"
fi
if [ "$package_check" = 1 ]; then
  joined package-check
fi
