#!/usr/bin/env bash
# Takes a picture of zm32 at work on the simulated programmer, on a virtual display:
# docs/zm32-screenshot.png. Builds first when build/bin lacks zm32 or promsim
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
head -c 256 frontend/help/zm32.txt > "$work/image.bin"
"$out/bin/promsim" --link "$work/prompro7" --size 100 --image "$work/image.bin" --upload-delay 0 >/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -e "$work/prompro7" ] && break; sleep 0.05; done

cat > "$home/zm32.ini" <<'EOF'
[zm32]
port=COM1
baud=9600
parity=none
stopbits=1
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
