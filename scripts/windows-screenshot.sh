#!/usr/bin/env bash
# Takes the pictures of zm32.exe under wine on the simulated programmer, on a virtual display:
# docs/zm32-windows.png (a typed V answered), and docs/zm32-windows-production.png with the
# production panel after a run of three chips. Wants build-win64/bin/zm32.exe with zmhwcomm.dll
# and the help files beside it (scripts/windows.sh build, or its targets zm32, zmhwcomm and
# zm32_help_files) and build/bin/promsim and morvel.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
fail() {
  echo "windows-screenshot: FAIL: $*" >&2
  exit 1
}
for f in build-win64/bin/zm32.exe build-win64/bin/zmhwcomm.dll build-win64/bin/zm32.txt build/bin/promsim build/bin/morvel; do
  [ -f "$f" ] || fail "no $f; build it first"
done

export WINEPREFIX=$root/build-win64/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
wine() { WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 "$@"; }
[ -d "$WINEPREFIX/drive_c" ] || { WINEARCH=win64 wine wineboot -i >/dev/null 2>&1 && wineserver -w; } ||
  fail "wineboot"

work=$root/build-win64/shots
rm -rf "$work"
mkdir -p "$work/chips"
user_dir=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/zmtools
pids=()
# The user's settings file written below goes too, so that windows.sh's checks find none.
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wineserver -k 2>/dev/null || true
  rm -f "$user_dir/zm32.ini"
}
trap cleanup EXIT

# promsim behind COM7, fresh chips for the production run.
n=7 link=$work/com7
build/bin/promsim --link "$link" --size 400 --upload-delay 0 --fresh-chips --save-chips "$work/chips" \
  >"$work/promsim.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/promsim.out" ] && [ -L "$link" ] && break; sleep 0.1; done
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n"COM%s"="%s"\n' "$n" "$link" >"$work/ports.reg"
wineserver -k 2>/dev/null || true
wineserver -w
(cd "$work" && wine reg import ports.reg >/dev/null 2>&1) || fail "wine reg import"
# The mount manager makes the dosdevices link from the registry when the server starts.
wineserver -k 2>/dev/null || true
wineserver -w

Xvfb -displayfd 3 -screen 0 1024x768x24 -br -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start ($(cat "$work/xvfb.log"))"
DISPLAY=:$(head -n 1 "$work/display")
export DISPLAY
# A window manager draws the title bar with zm32.exe's caption.
openbox >/dev/null 2>&1 &
pids+=($!)
wine cmd /c exit >/dev/null 2>&1 || true

# Before zm32.exe opens COM7: wine's link, the registry and promsim's link lead to promsim's
# pseudo-terminal, never to a real serial device.
pty=$(head -n 1 "$work/promsim.out")
[[ $pty =~ ^/dev/pts/[0-9]+$ ]] || fail "promsim printed '$pty'"
[ "$(readlink "$WINEPREFIX/dosdevices/com$n")" = "$link" ] || fail "wine's com$n does not lead to $link"
[ "$(readlink -f "$link")" = "$pty" ] || fail "$link does not lead to promsim's $pty"

# The user's settings: the port, and the production run's image and serials.
head -c 256 frontend/help_texts/zm32.txt >"$work/image.bin"
build/bin/morvel "$work/image.bin" "$work/image.hex" >/dev/null
mkdir -p "$user_dir"
winpath() { echo "Z:${1//\//\\}"; }
printf '[zm32]\r\nport=COM%s\r\nbaud=9600\r\n\r\n[production]\r\nimage=%s\r\nserial=F0\r\nserialbytes=2\r\nserialformat=be\r\nserialnext=1041\r\nlog=%s\r\n' \
  "$n" "$(winpath "$work/image.hex")" "$(winpath "$work/run.csv")" >"$user_dir/zm32.ini"

window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
# zm32.exe ARGS...: started, its window in $win.
zm32() {
  (cd "$work" && wine "$root/build-win64/bin/zm32.exe" "$@" >>"$work/zm32.out" 2>&1 &)
  for _ in $(seq 300); do [ -n "$(window 'zm32:uhj')" ] && break; sleep 0.1; done
  win=$(window 'zm32:uhj')
  [ -n "$win" ] || fail "no zm32.exe window"
  sleep 2
  xdotool windowmove "$win" 20 20
  sleep 0.5
}
keys() { xdotool windowfocus --sync "$win" "$@"; }

# With no settings file, as the first start on a machine: Enter and a typed V, answered.
zm32 -i- "-p$n"
keys key Return
sleep 0.5
keys type --delay 80 V
sleep 1.5
# The root is black around the window: trimmed away.
import -window root -trim +repage -strip "PNG:$root/docs/zm32-windows.png"
echo "windows-screenshot: docs/zm32-windows.png"
# exit: the menu's last item.
keys key F10 Down Up Return
for _ in $(seq 100); do [ -z "$(window 'zm32:uhj')" ] && break; sleep 0.1; done
[ -z "$(window 'zm32:uhj')" ] || fail "exit left the window"

# With the user's settings file: prompro7 -> production..., the item above exit.
zm32
keys key F10 Down Up Up Return
for _ in $(seq 100); do [ -n "$(window '^production$')" ] && break; sleep 0.1; done
panel=$(window '^production$')
[ -n "$panel" ] || fail "no production panel"
xdotool windowmove "$panel" 440 140
sleep 1
# Start (the panel's first button, below the fields) with the mouse, then Enter ("Next chip") for each of three chips.
xdotool mousemove --window "$panel" 63 291 click 1
sleep 2
passed() { [ "$(grep -c ',pass,' "$work/run.csv" 2>/dev/null)" -ge "$1" ]; }
for chip in 1 2 3; do
  xdotool windowfocus --sync "$panel" key Return
  for _ in $(seq 100); do passed "$chip" && break; sleep 0.1; done
  passed "$chip" || fail "chip $chip did not pass (log: $(cat "$work/run.csv" 2>/dev/null))"
done
sleep 1
import -window root -trim +repage -strip "PNG:$root/docs/zm32-windows-production.png"
echo "windows-screenshot: docs/zm32-windows-production.png"
