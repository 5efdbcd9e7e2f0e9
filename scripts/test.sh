#!/usr/bin/env bash
# Sets up, builds and runs every test: the plain build, then the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer (ZM_SKIP_SANITIZE=1 leaves that out), then the
# Windows checks of scripts/windows.sh (ZM_SKIP_WINDOWS=1 leaves them out), then the
# Debian package: built and checked with lintian, then installed, used and purged on a fresh
# Debian 12 (ZM_SKIP_PACKAGE=1 leaves both out, ZM_SKIP_PACKAGE_CHECK=1 only the second).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
(cd build && ctest --output-on-failure -j2)

if [ "${ZM_SKIP_SANITIZE:-0}" != 1 ]; then
  bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DZM_SANITIZE=ON -DZM_BUILD_BENCH=OFF
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1
  export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  (cd build-asan && ctest --output-on-failure -j2)
fi

# The Windows builds, proven under wine (ZM_SKIP_WINDOWS=1 leaves them out).
if [ "${ZM_SKIP_WINDOWS:-0}" != 1 ]; then
  bash scripts/windows.sh
fi

if [ "${ZM_SKIP_PACKAGE:-0}" != 1 ]; then
  debs=$(bash scripts/package.sh | tail -n 1)   # zmtools and zm32, on one line
  [ "${ZM_SKIP_PACKAGE_CHECK:-0}" = 1 ] || bash scripts/package-check.sh $debs
fi
