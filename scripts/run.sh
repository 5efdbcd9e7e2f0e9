#!/usr/bin/env bash
# Sets up, builds and starts zm32 on the simulated programmer: promsim plays the Prompro 7 on a
# pseudo-terminal linked at build/prompro7, and zm32 opens it as port 1 (ZMHW_COM1).
# Without a display zm32 runs on a virtual one (xvfb-run); extra arguments go to zm32.
# ZM_BUILD_DIR chooses another build tree (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${ZM_BUILD_DIR:-build}
bash scripts/setup.sh
bash scripts/build.sh "$out"

link=$PWD/$out/prompro7
rm -f "$link"
"$out/bin/promsim" --link "$link" --rate 0 >/dev/null &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -e "$link" ] && break
  kill -0 "$sim" 2>/dev/null || { echo "run: promsim did not start" >&2; exit 1; }
  sleep 0.05
done
[ -e "$link" ] || { echo "run: promsim made no link at $link" >&2; exit 1; }

export ZMHW_COM1=$link
echo "run: promsim is the programmer on $link (ZMHW_COM1); starting zm32 -p1"
echo "run: type a command in the terminal pane, e.g. X 0000 Enter, Space, Enter; see the help menu"
# zm32 reads zm32.ini from the current directory, here the project's root, if there is one.
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  "$out/bin/zm32" -p1 "$@"
else
  echo "run: no DISPLAY: zm32 runs on a virtual display (xvfb-run), where it is not visible;"
  echo "run: close it with Ctrl+C, or see scripts/screenshot.sh for a picture of it"
  xvfb-run -a -s "-screen 0 1024x768x24" "$out/bin/zm32" -p1 "$@"
fi
