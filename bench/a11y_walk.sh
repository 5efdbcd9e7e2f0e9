#!/usr/bin/env bash
# How quickly zm32 answers an accessibility client during a wait: a walk of its objects on the
# accessibility bus (role, name, states and extents of each) while idle, and while upload hex
# waits for data from a silent programmer (target: at most twice as long). Runs on a virtual
# display with a private session bus; clicks the menu with xdotool.
#   bench/a11y_walk.sh [BIN_DIR]     (default build/bin)
set -euo pipefail
cd "$(dirname "$0")/.."
bench=$PWD/bench
bin=$(cd "${1:-build/bin}" && pwd)
if [ "${2:-}" != --inside ]; then
  for p in "$bin/zm32" "$bin/promsim"; do
    [ -x "$p" ] || { echo "a11y: $p is missing (build first)"; exit 1; }
  done
  for tool in xvfb-run dbus-run-session xdotool /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null || { echo "a11y: $tool is missing (scripts/setup.sh installs it)"; exit 1; }
  done
  /usr/bin/python3 -c "import pyatspi" 2>/dev/null || { echo "a11y: python3-pyatspi is missing (scripts/setup.sh installs it)"; exit 1; }
  # The bus daemons' chatter is left out.
  xvfb-run -a -s "-screen 0 800x700x24 -nolisten tcp" dbus-run-session -- bash "$0" "$bin" --inside 2>&1 |
    { grep -v "^dbus-daemon\|^SpiRegistry" || true; }
  exit "${PIPESTATUS[0]}"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/zma11y-XXXXXX")
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"' EXIT
/usr/libexec/at-spi-bus-launcher --launch-immediately &
pids+=($!)
"$bin/promsim" --silent --link "$work/line" >"$work/sim.out" 2>&1 &
pids+=($!)
for _ in $(seq 200); do [ -s "$work/sim.out" ] && [ -L "$work/line" ] && break; sleep 0.02; done
pty=$(head -n 1 "$work/sim.out")
[[ $pty =~ ^/dev/pts/[0-9]+$ ]] && [ "$(readlink -f "$work/line")" = "$pty" ] ||
  { echo "a11y: promsim did not come up ($pty)"; exit 1; }
ZMHW_COM1=$pty QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$bin/zm32" -i- -p1 >"$work/zm32.out" 2>&1 &
pids+=($!)
timeout 90 /usr/bin/python3 "$bench/a11y_walk.py" "$work/upload.hex"
