#!/usr/bin/env bash
# A bench day in one run: bench/soak.sh [COUNT] runs COUNT transfers (default 1000) through
# zmcli, each against a promsim of its own with a random fault (or none), and checks each
# result: a completed transfer's file or memory equals what promsim holds, a failed one ended
# with status 1 and a message. Beside it, one zmcli term stays open the whole run on a second
# programmer that is switched off and on again every few transfers, so that it goes through
# the reconnects; its memory and open descriptors are compared at the start and at the end.
# (A long-lived console terminal rather than the window: it runs the same session and
# reconnect code, is driven by nothing but its line, and its figures are not blurred by a
# toolkit's caches.) Last line:
#   soak: N transfers, F failed as expected, W wrong, RSS A -> B KiB, descriptors C -> D
# Exits non-zero on any wrong result, on growth of memory beyond 1 MiB or of descriptors.
# BIN_DIR (default build/bin) names the programs; SEED makes the mix repeatable.
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-1000}
bin=$(cd "${BIN_DIR:-build/bin}" && pwd)
for p in zmcli promsim morvel dabrix; do
  [ -x "$bin/$p" ] || { echo "soak: $bin/$p is missing (build first)" >&2; exit 1; }
done
RANDOM=${SEED:-7}
work=$(mktemp -d "${TMPDIR:-/tmp}/zmsoak-XXXXXX")
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
started=$(date +%s)

# Memory of 200 hex bytes: the image, the same as hex text, and another image for the
# programmer that holds something else.
size=200
head -c 512 /dev/urandom >"$work/image.bin"
head -c 512 /dev/urandom >"$work/other.bin"
"$bin/morvel" "$work/image.bin" "$work/image.hex" >/dev/null

# Starts promsim on a link (its process in $promsim_pid); the link is checked to lead to
# promsim's pseudo-terminal before anything is sent on it. Upload hex clears the line for a
# second after "U", so the records come after that: three seconds, as from the real device.
start_promsim() { # LINK LOG OPTIONS...
  local link=$1 log=$2
  shift 2
  rm -f "$link"
  "$bin/promsim" --link "$link" --size "$size" --upload-delay 3000 "$@" >"$log" 2>&1 &
  promsim_pid=$!
  local i
  for i in $(seq 200); do
    [ -L "$link" ] && [ -s "$log" ] && break
    sleep 0.01
  done
  local pty
  pty=$(head -n 1 "$log")
  [[ $pty =~ ^/dev/pts/[0-9]+$ ]] && [ "$(readlink -f "$link")" = "$pty" ] ||
    { echo "soak: promsim on $link did not come up ($pty)" >&2; exit 1; }
}

# --- The long-lived terminal, on port 2 ---------------------------------------------------
term_link=$work/term-line
start_promsim "$term_link" "$work/term-sim.out"
term_sim=$promsim_pid
pids+=("$term_sim")
mkfifo "$work/keys"
exec 9<>"$work/keys"  # held open: the terminal's input never ends
ZMHW_COM2=$term_link "$bin/zmcli" -p2 -i- term <"$work/keys" >"$work/term.out" 2>"$work/term.err" &
term=$!
pids+=("$term")
sleep 1
kill -0 "$term" 2>/dev/null || { echo "soak: zmcli term did not stay up:" >&2; cat "$work/term.err" >&2; exit 1; }
rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$term/status"; }
fds() { find "/proc/$term/fd" -mindepth 1 -maxdepth 1 | wc -l; }
rss_start=$(rss) fds_start=$(fds)
restarts=0
# Switches the terminal's programmer off and on again, and waits until the terminal is back.
cycle_terminal_line() {
  kill "$term_sim" 2>/dev/null || true
  wait "$term_sim" 2>/dev/null || true
  sleep 0.3
  start_promsim "$term_link" "$work/term-sim.out"
  term_sim=$promsim_pid
  pids+=("$term_sim")
  restarts=$((restarts + 1))
  local i
  for i in $(seq 300); do
    [ "$(grep -c '^Line back' "$work/term.err" || true)" -ge "$restarts" ] && return
    sleep 0.01
  done
  echo "soak: zmcli term did not find its line again after restart $restarts" >&2
  exit 1
}

# --- The transfers, on port 1 ---------------------------------------------------------------
commands=(download upload-bin upload-hex verify send)
faults=(none none none hangup stall silent garbage other)
link=$work/line
failed=0 wrong=0
report_wrong() {
  wrong=$((wrong + 1))
  echo "soak: WRONG #$1 $2 with $3: $4" >&2
  sed 's/^/  stderr: /' "$work/err" | head -n 5 >&2
}
for n in $(seq "$count"); do
  command=${commands[RANDOM % ${#commands[@]}]}
  fault=${faults[RANDOM % ${#faults[@]}]}
  image=$work/image.bin
  options=(--save "$work/memory.bin")
  rm -f "$work/memory.bin"
  case $fault in
    hangup) options+=(--hangup-after $((3 + RANDOM % 300))) ;;
    stall) options+=(--stall-after $((3 + RANDOM % 300))) ;;
    silent) options+=(--silent) ;;
    garbage) options+=(--garbage) ;;
    other) image=$work/other.bin ;;
  esac
  # Download writes the memory; the others find the image in it.
  [ "$command" = download ] || options+=(--image "$image")
  start_promsim "$link" "$work/sim.out" "${options[@]}"
  rm -f "$work/out.bin" "$work/out.hex"
  case $command in
    download) args=(download "$work/image.hex" --verify) ;;
    upload-bin) args=(upload-bin "$work/out.bin" --start 0 --bytes "$size") ;;
    upload-hex) args=(upload-hex "$work/out.hex" --stop 1F0) ;;
    verify) args=(verify "$work/image.hex") ;;
    send) args=(send P --expect "Program OK") ;;
  esac
  status=0
  ZMHW_COM1=$link timeout 60 "$bin/zmcli" -p1 -i- --quiet "${args[@]}" >"$work/out" 2>"$work/err" </dev/null ||
    status=$?
  kill "$promsim_pid" 2>/dev/null || true
  wait "$promsim_pid" 2>/dev/null || true

  # A silent or babbling programmer must fail the transfer; one that hangs up or stalls may
  # do so after everything was said, and then the transfer is complete.
  case $fault in
    none | other) expect=success ;;
    hangup | stall) expect=either ;;
    silent | garbage) expect=failure ;;
  esac
  [ "$command:$fault" != verify:other ] || expect=failure
  if [ "$status" -eq 0 ]; then
    [ "$expect" != failure ] || { report_wrong "$n" "$command" "$fault" "status 0"; continue; }
    # What the programmer held: its memory as saved at its end after a download, else the image.
    case $command in
      download) cmp -s "$work/memory.bin" "$work/image.bin" || { report_wrong "$n" "$command" "$fault" "memory differs after success"; continue; } ;;
      upload-bin) cmp -s "$work/out.bin" "$image" || { report_wrong "$n" "$command" "$fault" "file differs from memory"; continue; } ;;
      upload-hex)
        # An upload that ends when the programmer falls silent keeps the records that came.
        kept=0
        # dabrix takes an argument that begins with "/" for an option: the names are relative.
        (cd "$work" && "$bin/dabrix" out.hex out.bin >/dev/null 2>&1) && kept=$(stat -c %s "$work/out.bin")
        { [ "$kept" -gt 0 ] && cmp -s "$work/out.bin" <(head -c "$kept" "$image") &&
          { [ "$kept" -eq $((0x$size)) ] || [ "$fault" = stall ]; }; } ||
          { report_wrong "$n" "$command" "$fault" "records differ from memory"; continue; } ;;
      verify) cmp -s "$image" "$work/image.bin" || { report_wrong "$n" "$command" "$fault" "said equal, differs"; continue; } ;;
      send) grep -q "Program OK" "$work/out" || { report_wrong "$n" "$command" "$fault" "no answer, yet status 0"; continue; } ;;
    esac
  elif [ "$status" -eq 1 ] && [ -s "$work/err" ]; then
    [ "$expect" != success ] || { report_wrong "$n" "$command" "$fault" "failed without a fault"; continue; }
    failed=$((failed + 1))
  else
    report_wrong "$n" "$command" "$fault" "status $status"
    continue
  fi
  [ $((n % 50)) -ne 0 ] || cycle_terminal_line
done

cycle_terminal_line
sleep 1
rss_end=$(rss) fds_end=$(fds)
echo "soak: $(($(date +%s) - started)) s, $restarts reconnects of zmcli term" >&2
echo "soak: $count transfers, $failed failed as expected, $wrong wrong, RSS $rss_start -> $rss_end KiB, descriptors $fds_start -> $fds_end"
[ "$wrong" -eq 0 ] && [ $((rss_end - rss_start)) -le 1024 ] && [ "$fds_end" -le "$fds_start" ]
