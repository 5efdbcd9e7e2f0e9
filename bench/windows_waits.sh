#!/usr/bin/env bash
# What the Windows programs' waits cost under wine, beside the Linux programs' in the same run:
# the share of a core and the context switches a second (every sleep of a thread counts, and
# under wine so does every call to the wine server) of
#  - an idle zm32.exe with its line open, and the threads its process shows meanwhile;
#  - an idle zmcli.exe term, its keys from a pipe that stays open;
#  - zm32.exe through upload bin at 9600 baud (promsim --rate 960), driven with xdotool;
# and of Linux's zmcli term idle, the Qt window idle (bench_terminal) and its upload bin at the
# same pace (bench_transfers).
# Runs on a virtual display with a wine prefix of its own; COM7 leads to promsim's link only.
#   bench/windows_waits.sh [BIN_DIR]      (default build/bin; build-win64's programs built first,
#                                          as scripts/windows.sh or the toolchain in cmake/ does)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
secs=5
win=$root/build-win64/bin lin=$(cd "${1:-build/bin}" && pwd)
for f in "$win/zm32.exe" "$win/zmcli.exe" "$win/zmhwcomm.dll" "$win/window_text.exe" "$lin/promsim" "$lin/zmcli"; do
  [ -e "$f" ] || { echo "windows_waits: $f is missing (build build-win64 and build first)"; exit 0; }
done
for tool in Xvfb xdotool /usr/lib/wine/wine64; do
  command -v "$tool" >/dev/null || { echo "windows_waits: $tool is missing (scripts/setup.sh installs it)"; exit 0; }
done

export WINEPREFIX=$root/build-win64/wine-bench WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
wine() { WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 "$@"; }
work=$(mktemp -d "${TMPDIR:-/tmp}/zmwaits-XXXXXX")
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# The display first: a wine server started without one gives its windows none.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n 1 "$work/display")
if [ ! -d "$WINEPREFIX" ]; then
  WINEARCH=win64 wine wineboot -i >/dev/null 2>&1
  wineserver -w
fi

# promsim on COM7's link, started afresh for each run: promsim_on MEMORY_FILE [OPTIONS...]
promsim_pid=
promsim_on() {
  local mem=$1
  shift
  [ -z "$promsim_pid" ] || { kill "$promsim_pid" 2>/dev/null || true; wait "$promsim_pid" 2>/dev/null || true; }
  rm -f "$work/com7.out"
  "$lin/promsim" --link "$work/com7" --size 400 --save "$mem" "$@" >"$work/com7.out" 2>&1 &
  promsim_pid=$!
  pids+=($!)
  for _ in $(seq 50); do [ -s "$work/com7.out" ] && [ -L "$work/com7" ] && break; sleep 0.1; done
}
# Before wine may open COM7: it leads to promsim's pseudo-terminal, never a real device.
com7_is_promsim() {
  local pty
  pty=$(tail -n 1 "$work/com7.out")
  [ "$(readlink "$WINEPREFIX/dosdevices/com7")" = "$work/com7" ] && [[ $pty =~ ^/dev/pts/[0-9]+$ ]] &&
    [ "$(readlink -f "$work/com7")" = "$pty" ] || { echo "windows_waits: COM7 does not lead to promsim"; exit 1; }
}
promsim_on "$work/memory.bin"
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n"COM7"="%s"\n' "$work/com7" >"$work/ports.reg"
(cd "$work" && wine reg import ports.reg >/dev/null 2>&1)
# The mount manager makes the dosdevices links from the registry when the server starts.
wineserver -k 2>/dev/null || true
wineserver -w
wine cmd /c exit >/dev/null 2>&1
com7_is_promsim


# The figures of process PID over SECONDS: share of a core, context switches a second.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
switches() { cat "/proc/$1"/task/*/status 2>/dev/null | awk '/ctxt_switches/ {s += $2} END {print s + 0}'; }
threads() { ls "/proc/$1/task" 2>/dev/null; }
measure() {
  local pid=$1 span=$2 t0 s0 n0 t1 s1 n1
  t0=$(ticks "$pid") s0=$(switches "$pid") n0=$(date +%s%N)
  sleep "$span"
  t1=$(ticks "$pid") s1=$(switches "$pid") n1=$(date +%s%N)
  awk -v t=$((t1 - t0)) -v s=$((s1 - s0)) -v n=$((n1 - n0)) -v hz="$(getconf CLK_TCK)" \
    'BEGIN {printf "%.1f %% of a core, %.0f context switches/s", 100 * t / hz / (n / 1e9), s / (n / 1e9)}'
}
# The distinct threads a process shows, sampled every 10 ms for 2 s.
thread_count() {
  for _ in $(seq 200); do threads "$1"; sleep 0.01; done | sort -u | wc -l
}
# The Linux process of a wine program started in the background as COMMAND...
wine_pid() {
  local pattern=$1
  for _ in $(seq 100); do
    pgrep -f "$pattern" | head -n 1 && return 0
    sleep 0.1
  done
  return 1
}
text() { wine "$win/window_text.exe" zm32main "$@" 2>/dev/null; }
until_true() {
  local tries=$(($1 * 10))
  shift
  for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
  return 1
}
said() { [ -n "$(text "$1")" ]; }
window_there() { [ -n "$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)" ]; }
keys() {
  local id
  id=$(xdotool search --onlyvisible --name "$1" | head -n 1)
  shift
  xdotool windowfocus --sync "$id" "$@"
}
upload_done() { cmp -s "$1" "$2" && [ -z "$(text 1003)" ]; }

echo "under wine $(wine --version 2>/dev/null), the machine's load $(cut -d' ' -f1-3 /proc/loadavg)"

# --- zm32.exe idle, then through upload bin at 9600 baud ------------------------------------
mkdir -p "$work/zm32"
head -c 1024 /dev/urandom >"$work/zm32/image.bin"
promsim_on "$work/zm32/memory.bin" --rate 960 --image "$work/zm32/image.bin"
com7_is_promsim
(cd "$work/zm32" && wine "$win/zm32.exe" -i- -p7 >zm32.out 2>&1 &)
pid=$(wine_pid "$win/zm32.exe -i- -p7") || { echo "windows_waits: zm32.exe did not start"; exit 1; }
pids+=("$pid")
until_true 30 said 1002 || { echo "windows_waits: zm32.exe did not open COM7"; exit 1; }
sleep 1
echo "zm32.exe idle, line open (wine): $(measure "$pid" "$secs"); $(thread_count "$pid") threads seen in 2 s"
echo "zm32.exe, a thread started in it from outside read the menu in $(text thread | tr -d '\r') ms"
keys 'zm32:uhj' key F10 Down Down Return
until_true 10 window_there '^Save As$' || { echo "windows_waits: no Save As dialog"; exit 1; }
keys '^Save As$' type --delay 20 back.bin
t0=$(ticks "$pid") n0=$(date +%s%N)
keys '^Save As$' key Return
until_true 120 upload_done "$work/zm32/back.bin" "$work/zm32/image.bin" ||
  { echo "windows_waits: zm32.exe's upload bin did not end with the memory"; exit 1; }
t1=$(ticks "$pid") n1=$(date +%s%N)
awk -v t=$((t1 - t0)) -v n=$((n1 - n0)) -v hz="$(getconf CLK_TCK)" \
  'BEGIN {printf "zm32.exe upload bin, 1024 bytes at 9600 baud (wine): %.1f s, %.1f %% of a core\n", n / 1e9, 100 * t / hz / (n / 1e9)}'
kill "$pid" 2>/dev/null || true

# --- term idle, zmcli.exe under wine and zmcli on Linux -----------------------------------------
for side in wine linux; do
  promsim_on "$work/term-memory.bin"
  com7_is_promsim
  mkfifo "$work/keys-$side"
  if [ "$side" = wine ]; then
    (cd "$work" && wine "$win/zmcli.exe" -i- -p7 term <"keys-$side" >"term-$side.out" 2>&1 &)
    pattern="$win/zmcli.exe -i- -p7 term"
  else
    (cd "$work" && ZMHW_COM7=$work/com7 "$lin/zmcli" -i- -p7 term <"keys-$side" >"term-$side.out" 2>&1 &)
    pattern="$lin/zmcli -i- -p7 term"
  fi
  exec 4>"$work/keys-$side"
  pid=$(wine_pid "$pattern") || { echo "windows_waits: zmcli term ($side) did not start"; exit 1; }
  pids+=("$pid")
  sleep 2
  echo "zmcli term idle, line open ($side): $(measure "$pid" "$secs")"
  printf '\035' >&4
  exec 4>&-
done

# --- The Qt window idle and through upload bin at the same pace, on Linux ----------------------
for b in "bench_terminal idle" "bench_transfers paced"; do
  if [ -x "build/bench/${b% *}" ]; then
    "build/bench/${b% *}" "${b#* }" 2>/dev/null | grep '^idle terminal window:\|^upload bin at 960' |
      sed 's/^/Linux Qt zm32: /' || true
  else
    echo "Linux Qt zm32: build/bench/${b% *} is not built"
  fi
done
