#!/usr/bin/env bash
# Builds every libFuzzer target (clang, AddressSanitizer, UndefinedBehaviorSanitizer) in its own
# tree and runs each for a while, reporting findings.
#   fuzz/run.sh [SECONDS] [TARGET...]     default: 60 seconds, every fuzz/fuzz_*.cpp
# A target fuzz_X gets fuzz/fuzz_X.dict as its dictionary and fuzz/corpus/fuzz_X as seeds when
# they exist. The corpus grows in build-fuzz/corpus (kept between runs); crashes, leaks and
# time-outs land in build-fuzz/findings. Exit status 1 when any target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
root=$PWD
dir=${ZM_FUZZ_DIR:-build-fuzz}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd) # targets may change directory: every path they get is absolute

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in fuzz/fuzz_*.cpp; do
    targets+=("$(basename "$src" .cpp)")
  done
fi
[ ${#targets[@]} -gt 0 ] || { echo "fuzz: no targets"; exit 0; }

# Everything is built with the sanitizers and coverage, so that code the targets link is checked too.
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZM_FUZZ=ON -DZM_SANITIZE=ON -DZM_BUILD_TESTS=OFF -DZM_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build "$dir" -j2 --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
found=0
for t in "${targets[@]}"; do
  corpus="$dir/corpus/$t"
  findings="$dir/findings/$t/"
  log="$dir/findings/$t.log"
  mkdir -p "$corpus" "$findings"
  extra=()
  [ -f "fuzz/$t.dict" ] && extra+=("-dict=$root/fuzz/$t.dict")
  seeds=()
  [ -d "fuzz/corpus/$t" ] && seeds+=("$root/fuzz/corpus/$t")
  if "$dir/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$findings" "${extra[@]}" "$corpus" "${seeds[@]}" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 || true)
    echo "fuzz: $t: no finding in ${seconds} s (${runs:-?} runs, ${cov:-cov: ?}, corpus $(ls "$corpus" | wc -l))"
  else
    found=1
    echo "fuzz: $t: FINDING, see $log and $findings"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$log" | head -n 5 || true
  fi
done
exit $found
