#!/usr/bin/env bash
# Proves the Debian package on a fresh Debian 12: debootstrap makes a throwaway root under the
# build tree, and inside it the package is installed with apt-get, used and purged again.
#   scripts/package-check.sh [PACKAGE.deb]   (default: the one scripts/package.sh builds)
# Needs root (or sudo) and a Debian mirror (DEBIAN_MIRROR, default deb.debian.org).
# Everything runs in a private mount namespace, so no mount outlives the check.
set -euo pipefail
self=$(realpath "$0")

if [ "${1:-}" = --inside ]; then
  # From here on: inside the fresh root, as root.
  export DEBIAN_FRONTEND=noninteractive DEBCONF_NOWARNINGS=yes LC_ALL=C.UTF-8 PATH=/usr/sbin:/usr/bin:/sbin:/bin
  fail() { echo "package-check: $*" >&2; exit 1; }
  note() { echo "package-check: $*"; }
  wait_for() {  # wait_for SECONDS COMMAND...: until COMMAND succeeds
    local tries=$(($1 * 10)); shift
    until "$@"; do
      tries=$((tries - 1)); [ $tries -gt 0 ] || return 1
      sleep 0.1
    done
  }
  work=/tmp/check
  mkdir -p "$work"
  cd "$work"
  pids=()
  trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT

  # Everything outside the volatile places, to show that purge leaves nothing behind.
  snapshot() {
    find / -xdev \( -path /proc -o -path /dev -o -path /tmp -o -path /run -o -path /root \
      -o -path /var/cache -o -path /var/lib/apt -o -path /var/lib/dpkg -o -path /var/log \) \
      -prune -o -print | sort
  }
  installed() { dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" { print $2 }' | sort; }

  apt-get update -qq
  snapshot > "$work/files-before"
  installed > "$work/packages-before"
  apt-get install -y -qq --no-install-recommends /tmp/zmtools_*.deb >/dev/null
  installed > "$work/packages-after"
  pulled=$(comm -13 "$work/packages-before" "$work/packages-after")
  note "apt-get installed $(echo "$pulled" | wc -l) packages: $(echo $pulled)"
  ! echo "$pulled" | grep -E -e '-(dev|doc)$' || fail "development or documentation packages pulled in"
  # Nothing missing: every library of the programs and of Qt's platform plugins resolves.
  for f in /usr/lib/zmtools/* /usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/*.so; do
    [ -L "$f" ] || ! head -c 4 "$f" | grep -q ELF || ! ldd "$f" | grep 'not found' || fail "$f lacks a library"
  done
  [ "$(dpkg -L zmtools | grep -c '\.so')" -eq 1 ] && dpkg -L zmtools | grep -qx /usr/lib/zmtools/libzmhwcomm.so \
    || fail "the package holds another library than /usr/lib/zmtools/libzmhwcomm.so"

  # The converters, through their links in /usr/bin.
  [ "$(command -v dabrix) $(command -v morvel)" = "/usr/bin/dabrix /usr/bin/morvel" ] || fail "no /usr/bin links"
  head -c 5000 /dev/urandom > image.bin
  morvel image.bin image.hex -1
  dabrix image.hex back.bin
  cmp image.bin back.bin || fail "dabrix and morvel do not round-trip"
  note "morvel and dabrix round-trip 5000 bytes"

  # promsim, and zm32 offscreen on it through /usr/bin/zm32.
  promsim --link "$work/prompro7" --trace "$work/line.txt" >/dev/null &
  pids+=($!)
  wait_for 10 test -e "$work/prompro7" || fail "promsim made no link"
  case $(readlink -f "$work/prompro7") in /dev/pts/*) ;; *) fail "promsim's line is no pseudo-terminal" ;; esac
  export ZMHW_COM1=$work/prompro7
  QT_QPA_PLATFORM=offscreen /usr/bin/zm32 >"$work/zm32.out" 2>&1 &
  zm32=$!
  wait_for 20 grep -q 'peer opened the line' "$work/line.txt" || fail "zm32 did not open promsim's line"
  sleep 1
  kill -0 $zm32 2>/dev/null || fail "zm32 ended: $(cat "$work/zm32.out")"
  kill $zm32; wait $zm32 || true
  note "zm32 runs offscreen and opens promsim's line"
  /usr/bin/zmcli send V >"$work/zmcli.out" 2>&1 || fail "zmcli send V: $(cat "$work/zmcli.out")"
  grep -q 'Verify' "$work/zmcli.out" || fail "zmcli send V printed no answer: $(cat "$work/zmcli.out")"
  note "zmcli send V through /usr/bin/zmcli gets the answer and the prompt"

  # Tools for the checks below, after the package's own dependencies have been counted.
  apt-get install -y -qq --no-install-recommends man-db xvfb xdotool strace >/dev/null
  for page in zm32 zmcli dabrix morvel promsim; do
    man "$page" 2>/dev/null | grep -q "^NAME" || fail "man $page renders nothing"
  done
  man dabrix 2>/dev/null | grep -q 'flat binary image' || fail "man dabrix lacks its text"
  note "man pages render: man dabrix, morvel, promsim, zm32, zmcli"

  # zm32 on a display: its caption names the settings beside the program, reached through the
  # /usr/bin link, and the help window opens the help files there.
  Xvfb :7 -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=:7
  wait_for 10 test -e /tmp/.X11-unix/X7 || fail "Xvfb did not start"
  strace -f -e trace=openat -o "$work/opened.txt" /usr/bin/zm32 >"$work/zm32.out" 2>&1 &
  pids+=($!)
  win=$(timeout 20 xdotool search --sync --onlyvisible --name 'zm32:' | head -n 1) || fail "no zm32 window"
  pids+=("$(xdotool getwindowpid "$win")")
  caption=$(xdotool getwindowname "$win")
  [[ $caption == "/usr/lib/zmtools/zm32.ini (zm32:"* ]] || fail "zm32's caption: $caption"
  note "zm32's caption: $caption"
  xdotool windowfocus --sync "$win"
  sleep 0.5
  xdotool key Return
  wait_for 10 grep -q '< <CR>' "$work/line.txt" || fail "a key typed in zm32 did not reach promsim"
  xdotool key alt; sleep 0.3; xdotool key Right Right Return   # the menu bar's "help"
  timeout 20 xdotool search --sync --onlyvisible --name '^helpf$' >/dev/null || fail "no help window"
  for f in /usr/lib/zmtools/libzmhwcomm.so /usr/lib/zmtools/zm32.txt /usr/lib/zmtools/zm32ini.txt; do
    wait_for 10 grep -q "\"$f\", O_RDONLY|O_CLOEXEC) = [0-9]" "$work/opened.txt" || fail "zm32 did not open $f"
  done
  note "zm32 started as /usr/bin/zm32 loads /usr/lib/zmtools/libzmhwcomm.so and shows zm32.txt and zm32ini.txt from there"
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  pids=()

  dpkg -L zmtools > "$work/package-files"
  apt-get purge -y -qq zmtools man-db xvfb xdotool strace >/dev/null
  apt-get autoremove --purge -y -qq >/dev/null
  # What the tools brought and autoremove keeps (a package something recommends) goes by hand;
  # of what the package brought, nothing may stay.
  from_tools=$(installed | comm -13 "$work/packages-before" - | comm -23 - <(echo "$pulled"))
  [ -z "$from_tools" ] || apt-get purge -y -qq $from_tools >/dev/null
  dpkg-query -W -f='${db:Status-Abbrev}' zmtools 2>/dev/null | grep -q '^i' && fail "zmtools still installed"
  snapshot > "$work/files-after"
  left=$(comm -13 "$work/files-before" "$work/files-after")
  [ -z "$left" ] || fail "left behind after purge: $(echo $left)"
  installed | cmp -s - "$work/packages-before" \
    || fail "still installed: $(installed | comm -13 "$work/packages-before" - | xargs)"
  note "apt-get purge leaves nothing behind"
  exit 0
fi

if [ "${1:-}" = --root ]; then
  # In a mount and process namespace of its own: every mount made here, debootstrap's too, and
  # every process left go with it, however the check ends.
  root=$2 deb=$3 script=$4
  echo "package-check: making a fresh Debian 12 in $root"
  debootstrap --variant=minbase bookworm "$root" "${DEBIAN_MIRROR:-http://deb.debian.org/debian}" \
    >"$root.log" 2>&1 || { tail -n 20 "$root.log" >&2; exit 1; }
  cp "$deb" "$root/tmp/"
  cp "$script" "$root/tmp/package-check.sh"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  mount -t proc proc "$root/proc"
  mount -t devpts devpts "$root/dev/pts" -o newinstance,ptmxmode=0666,mode=0620
  mount --bind "$root/dev/pts/ptmx" "$root/dev/ptmx"
  exec chroot "$root" /bin/bash /tmp/package-check.sh --inside
fi

cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then
  exec sudo --preserve-env=DEBIAN_MIRROR,BUILD_DIR bash "$self" "$@"
fi
started=$(date +%s)
deb=${1:-}
[ -n "$deb" ] || deb=$(bash scripts/package.sh | tail -n 1)
deb=$(realpath "$deb")
root=$(realpath -m "${BUILD_DIR:-build-package}/check-root")
cleanup() { rm -rf --one-file-system "$root"; }
trap cleanup EXIT
cleanup
unshare --mount --pid --fork --kill-child bash "$self" --root "$root" "$deb" "$self"
echo "package-check: passed in $(($(date +%s) - started)) s"
