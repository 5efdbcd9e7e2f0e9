#!/usr/bin/env bash
# Takes pictures of zm32 at work on the simulated programmer, on a virtual display:
# docs/zm32-screenshot.png, and docs/zm32-production.png with the production panel after a
# run of three chips. Builds first when build/bin lacks zm32 or promsim
# (ZM_BUILD_DIR chooses another build tree).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${ZM_BUILD_DIR:-build}
export ZM_BUILD_DIR=$out

work=$root/$out/screenshot

if [ -z "${1:-}" ]; then
  bash scripts/setup.sh
  [ -x "$out/bin/zm32" ] && [ -x "$out/bin/promsim" ] || bash scripts/build.sh "$out"
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(--map-root-user)
  exec unshare --mount "${as_root[@]}" bash "$0" --home
fi
if [ "$1" = --home ]; then
  # zm32's caption names the settings file of the directory it starts in: a user's home,
  # /home/user, on a tmpfs that only this private mount namespace sees.
  case $root/ in
    /home/*) export SHOT_HOME=$work
             echo "screenshot: the project lies in /home, so the caption shows $work" ;;
    *) mount -t tmpfs -o mode=0755 tmpfs /home && mkdir -m 0755 /home/user
       export SHOT_HOME=/home/user ;;
  esac
  exec xvfb-run -a -s "-screen 0 800x700x24 -br -nolisten tcp" bash "$0" --inside
fi

# From here on: on the virtual display.
home=$SHOT_HOME
rm -rf "$work"
mkdir -p "$work"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true' EXIT

# A window manager draws the title bar with zm32's caption.
openbox >/dev/null 2>&1 &
pids+=($!)

# 256 bytes of memory holding some text, so that the records and bytes shown vary.
head -c 256 frontend/help_texts/zm32.txt > "$work/image.bin"
"$out/bin/promsim" --link "$work/prompro7" --size 100 --image "$work/image.bin" --upload-delay 0 --fresh-chips \
  >/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -e "$work/prompro7" ] && break; sleep 0.05; done

cat > "$home/zm32.ini" <<EOF
[zm32]
port=COM1
baud=9600
parity=none
stopbits=1

[production]
image=$work/image.bin
serial=F0
serialbytes=2
serialformat=be
serialnext=1041
log=$work/run.csv
EOF
export ZMHW_COM1=$work/prompro7
(cd "$home" && HOME=$home exec "$root/$out/bin/zm32") &
pids+=($!)

win=$(xdotool search --sync --onlyvisible --name 'zm32:uhj' | head -n 1)
xdotool windowsize "$win" 720 600 windowmove "$win" 20 20
sleep 0.5
xdotool windowfocus --sync "$win" 2>/dev/null || true

# A look at the first bytes of memory, an upload in Intel hex, programming and verifying,
# as a user would type them.
typed() { xdotool type --delay 60 "$1"; }
key() { xdotool key --delay 60 "$@"; }
key Return
typed "x0000"; key Return; sleep 0.3
key space space space space; sleep 0.2
key Return; sleep 0.3
typed "i"; sleep 0.2
typed "u0"; sleep 0.5
typed "p"; sleep 0.3
typed "v"; sleep 0.5

mkdir -p "$root/docs"
# The root is black around the window: trimmed away.
import -window root -trim +repage +dither -colors 32 -strip "PNG8:$root/docs/zm32-screenshot.png"
echo "screenshot: docs/zm32-screenshot.png"

# The production panel: prompro7's menu from its bar, up past exit to "production…"; Start is
# the twelfth Tab from the first field; then Enter for three chips.
xdotool mousemove --window "$win" 30 10 click 1 2>/dev/null || true
sleep 0.5
key Up Up Return
panel=$(xdotool search --sync --onlyvisible --name '^production$' | head -n 1)
xdotool windowmove "$panel" 420 120
xdotool windowfocus --sync "$panel" 2>/dev/null || true
sleep 0.3
for _ in $(seq 12); do key Tab; done
key space; sleep 1.5
for _ in 1 2 3; do key Return; sleep 1; done
import -window root -trim +repage +dither -colors 64 -strip "PNG8:$root/docs/zm32-production.png"
echo "screenshot: docs/zm32-production.png"
