#!/usr/bin/env bash
# Sets up, builds and runs the main job. Until the front-end lands: a round trip of a sample
# binary through morvel (binary to Intel hex) and dabrix (back to binary).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
out=build/demo
mkdir -p "$out"
head -c 300 /dev/urandom > "$out/sample.bin"
build/bin/morvel "$out/sample.bin" "$out/sample.hex"
build/bin/dabrix "$out/sample.hex" "$out/roundtrip.bin"
head -n 3 "$out/sample.hex"
cmp "$out/sample.bin" "$out/roundtrip.bin" && echo "sample.bin -> morvel -> dabrix: identical"
