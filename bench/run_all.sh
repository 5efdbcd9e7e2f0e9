#!/usr/bin/env bash
# Builds the plain tree and runs every benchmark, one after the other, printing their figures.
#   bench/run_all.sh                  (all)
#   bench/run_all.sh terminal         (only those whose name contains the word)
#   bench/run_all.sh transfers paced  (further words go to the benchmark: bench_transfers picks
#                                      its measurements by them, e.g. raw, hex, bin, verify, silent, paced)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
filter=${1:-}
shift || true
for b in build/bench/bench_* bench/converters.sh bench/a11y_walk.sh bench/windows_waits.sh; do
  [ -x "$b" ] || continue
  case "$b" in *"$filter"*) ;; *) continue ;; esac
  echo "=== $(basename "$b")"
  if [ "${b##*.}" = sh ]; then bash "$b" build/bin; else "$b" "$@"; fi
  echo
done
