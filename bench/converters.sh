#!/usr/bin/env bash
# Converter benchmark: morvel, dabrix and zmimage against objcopy and srec_cat on the same inputs.
#   bench/converters.sh [BIN_DIR]     (default build/bin; RUNS=10 runs per command)
# Makes its inputs: a 16 MiB random binary, and an Intel hex text of about 50 MB whose data
# records all lie within 64 KiB (a 64 KiB random block as objcopy writes it, repeated, so that
# every peer accepts the repeated addresses). Prints the throughput of every tool (input bytes
# per second of mean wall time, hyperfine), how many times faster ours is in wall time and in
# CPU time (user + system; steadier on a shared machine) and in the quickest run, and peak
# memory (maximum resident set, GNU time). Every run writes a fresh output file. zmimage
# converts the whole 16 MiB image both ways: to Intel hex with extended linear address records, and that hex back to binary.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(cd "${1:-build/bin}" && pwd)
runs=${RUNS:-10}
for tool in "$bin/morvel" "$bin/dabrix" "$bin/zmimage"; do
  [ -x "$tool" ] || { echo "bench: $tool is missing (build first)"; exit 1; }
done
for tool in hyperfine objcopy srec_cat /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is missing (scripts/setup.sh installs it)"; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/zmbench-XXXXXX")
trap 'rm -rf "$work"' EXIT
head -c $((16 * 1024 * 1024)) /dev/urandom >"$work/image.bin"
head -c 65536 /dev/urandom >"$work/block.bin"
objcopy -I binary -O ihex "$work/block.bin" "$work/block.hex"
grep '^:10' "$work/block.hex" >"$work/block.lines"
for _ in $(seq 271); do cat "$work/block.lines"; done >"$work/records.hex"
echo ":00000001FF" >>"$work/records.hex"
objcopy -I binary -O ihex "$work/image.bin" "$work/image.hex"

size() { stat -c %s "$1"; }
peak_kib() { # peak resident memory of one run, output removed before
  rm -f "$2"
  /usr/bin/time -f %M -o "$work/peak" "${@:3}" >/dev/null 2>&1 || true
  cat "$work/peak" | tail -n 1
}

# compare TITLE INPUT OUTPUT NAME COMMAND NAME COMMAND ...; the first command is ours.
compare() {
  local title=$1 input=$2 out=$3
  shift 3
  local names=() cmds=() args=()
  while [ $# -gt 0 ]; do
    names+=("$1")
    cmds+=("$2")
    args+=(-n "$1" "$2")
    shift 2
  done
  hyperfine -N --style none --warmup 1 --runs "$runs" --prepare "rm -f $out" \
    --export-csv "$work/times.csv" "${args[@]}" >/dev/null 2>&1
  local bytes
  bytes=$(size "$input")
  echo
  echo "$title: input $(awk -v b="$bytes" 'BEGIN { printf "%.1f MB", b / 1e6 }')"
  printf '  %-10s %9s %9s %12s %9s %12s %9s %12s %10s\n' tool "mean ms" "MB/s" "ours faster" "cpu ms" "ours faster" \
    "best ms" "ours faster" "peak KiB"
  local ours="" ourCpu="" ourBest="" i=0 mean cpu best peak
  for name in "${names[@]}"; do
    # CSV columns: command, mean, stddev, median, user, system, min, max (seconds)
    mean=$(awk -F, -v n="$name" '$1 == n { print $2 }' "$work/times.csv")
    cpu=$(awk -F, -v n="$name" '$1 == n { print $5 + $6 }' "$work/times.csv")
    best=$(awk -F, -v n="$name" '$1 == n { print $7 }' "$work/times.csv")
    # shellcheck disable=SC2086 # the command is a plain word list
    peak=$(peak_kib "$name" "$out" ${cmds[$i]})
    [ -n "$ours" ] || { ours=$mean; ourCpu=$cpu; ourBest=$best; }
    awk -v n="$name" -v m="$mean" -v c="$cpu" -v w="$best" -v b="$bytes" -v p="$peak" -v o="$ours" -v oc="$ourCpu" \
        -v ow="$ourBest" -v first=$((i == 0)) 'BEGIN {
      printf "  %-10s %9.1f %9.1f %12s %9.1f %12s %9.1f %12s %10s\n", n, m * 1000, b / m / 1e6,
             first ? "-" : sprintf("%.2fx", m / o), c * 1000, first ? "-" : sprintf("%.2fx", c / oc),
             w * 1000, first ? "-" : sprintf("%.2fx", w / ow), p }'
    i=$((i + 1))
  done
}

# dabrix takes every argument that starts with "/" for an option: work with bare names.
cd "$work"
echo "converter benchmark ($runs runs a command after one warm-up, fresh output file each run)"
compare "morvel: binary to Intel hex" "image.bin" "out.hex" \
  morvel "$bin/morvel image.bin out.hex" \
  objcopy "objcopy -I binary -O ihex image.bin out.hex" \
  srec_cat "srec_cat image.bin -binary -o out.hex -intel -Output_Block_Size 16 -CRLF"
compare "dabrix: Intel hex (records within 64 KiB) to binary" "records.hex" "out.bin" \
  dabrix "$bin/dabrix records.hex out.bin" \
  objcopy "objcopy -I ihex -O binary records.hex out.bin" \
  srec_cat "srec_cat -redundant-bytes=ignore -disable-sequence-warnings records.hex -intel -o out.bin -binary"

compare "zmimage: 16 MiB binary to Intel hex" "image.bin" "out.hex" \
  zmimage "$bin/zmimage convert image.bin out.hex" \
  objcopy "objcopy -I binary -O ihex image.bin out.hex" \
  srec_cat "srec_cat image.bin -binary -o out.hex -intel -Output_Block_Size 16 -CRLF"
compare "zmimage: Intel hex of 16 MiB to binary" "image.hex" "out.bin" \
  zmimage "$bin/zmimage convert image.hex out.bin" \
  objcopy "objcopy -I ihex -O binary image.hex out.bin" \
  srec_cat "srec_cat image.hex -intel -o out.bin -binary"

"$bin/dabrix" records.hex out.bin
cmp -s out.bin block.bin && same=yes || same=NO
"$bin/zmimage" convert image.bin out.hex && "$bin/zmimage" convert out.hex out.bin
cmp -s out.bin image.bin && round=yes || round=NO
echo
echo "dabrix's image equals the 64 KiB block: $same; zmimage's round trip gives the 16 MiB back: $round"
echo "targets: morvel and dabrix at least 2x faster than every peer, peak memory under 4096 KiB;"
echo "zmimage reading Intel hex at least 4x faster than objcopy (best run), peak memory no more than the"
echo "image and its text; zmimage writing at least 2x faster than srec_cat and no slower than objcopy"
