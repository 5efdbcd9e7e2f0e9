#!/usr/bin/env bash
# Builds the Debian packages zmtools_<version>_amd64.deb (the console tools) and
# zm32_<version>_amd64.deb (the window) in a clean Release tree (build-package/, BUILD_DIR chooses
# another), checks both with lintian and prints their two paths, zmtools first, on the last line.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
out=${BUILD_DIR:-build-package}

for page in man/*.1; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "package: $page: $warnings" >&2; exit 1; }
done
desktop-file-validate packaging/zm32.desktop

rm -rf "$out"
# Debian's hardening flags (PIE, RELRO, bind now, fortify, stack protector), as a Debian build has them.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CFLAGS="$CPPFLAGS $CFLAGS" CXXFLAGS="$CPPFLAGS $CXXFLAGS"  # CMake reads no CPPFLAGS
bash scripts/build.sh "$out" -DCMAKE_BUILD_TYPE=Release -DZM_DEBIAN=ON \
  -DZM_BUILD_TESTS=OFF -DZM_BUILD_BENCH=OFF >&2
(cd "$out" && cpack -G DEB >cpack.log) || { cat "$out/cpack.log" >&2; exit 1; }
debs=()
for package in zmtools zm32; do
  deb=$(ls "$PWD/$out/${package}"_*_*.deb)
  debs+=("$deb")
done
# The console tools stay usable without a display: nothing of Qt or X in their dependencies.
if dpkg-deb -f "${debs[0]}" Depends | grep -E -i 'qt|libx|libgl|libegl|wayland|xcb' >&2; then
  echo "package: zmtools depends on a windowing library" >&2
  exit 1
fi

lintian --fail-on error,warning --display-info "${debs[@]}" >&2
echo "${debs[*]}"
