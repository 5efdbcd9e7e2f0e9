#!/usr/bin/env bash
# Proves the Debian packages on a fresh Debian 12: debootstrap makes a throwaway root beside the
# build tree, and inside it zmtools is installed alone with apt-get and used, then zm32 on top,
# then both are purged again.
#   scripts/package-check.sh [ZMTOOLS.deb ZM32.deb]   (default: the two scripts/package.sh builds)
#   scripts/package-check.sh --prepare                makes the fresh root only, ahead (while the
#                                                     packages are built); the next check uses it once
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

  # The console tools alone, as on a server: nothing of Qt or of a display comes with them.
  apt-get install -y -qq --no-install-recommends /tmp/zmtools.deb >/dev/null
  installed > "$work/packages-zmtools"
  pulled=$(comm -13 "$work/packages-before" "$work/packages-zmtools")
  note "zmtools alone: apt-get installed $(echo "$pulled" | wc -l) packages: $(echo $pulled)"
  ! echo "$pulled" | grep -E -e '-(dev|doc)$' || fail "development or documentation packages pulled in"
  ! echo "$pulled" | grep -E -i 'qt|^libx|^libgl|^libegl|wayland|xcb|^x11|mesa|fontconfig' \
    || fail "zmtools pulled in a package of Qt or of the display"
  [ ! -e /usr/lib/zmtools/zm32 ] || fail "zmtools holds zm32"
  # Nothing missing: every library of the programs resolves.
  for f in /usr/lib/zmtools/*; do
    [ -L "$f" ] || ! head -c 4 "$f" | grep -q ELF || ! ldd "$f" | grep 'not found' || fail "$f lacks a library"
  done
  [ "$(dpkg -L zmtools | grep -c '\.so')" -eq 1 ] && dpkg -L zmtools | grep -qx /usr/lib/zmtools/libzmhwcomm.so \
    || fail "the package holds another library than /usr/lib/zmtools/libzmhwcomm.so"
  [ "$(dpkg-query -W -f='${Conffiles}' zmtools | awk '{ print $1 }' | xargs)" = /etc/zmtools/zm32.ini ] \
    || fail "zmtools' conffiles: $(dpkg-query -W -f='${Conffiles}' zmtools)"

  # The converters, through their links in /usr/bin.
  [ "$(command -v dabrix) $(command -v morvel)" = "/usr/bin/dabrix /usr/bin/morvel" ] || fail "no /usr/bin links"
  head -c 5000 /dev/urandom > image.bin
  morvel image.bin image.hex -1
  dabrix image.hex back.bin
  cmp image.bin back.bin || fail "dabrix and morvel do not round-trip"
  note "morvel and dabrix round-trip 5000 bytes"
  [ "$(command -v zmimage)" = /usr/bin/zmimage ] || fail "no /usr/bin/zmimage link"
  zmimage split image.hex even.bin odd.bin && zmimage merge even.bin odd.bin merged.bin ||
    fail "zmimage split and merge"
  cmp image.bin merged.bin || fail "zmimage split and merge do not round-trip"
  note "zmimage splits and merges 5000 bytes through /usr/bin/zmimage"

  # promsim, and zmcli on it through /usr/bin/zmcli, with the settings from /etc.
  promsim --link "$work/prompro7" --trace "$work/line.txt" >/dev/null &
  pids+=($!)
  wait_for 10 test -e "$work/prompro7" || fail "promsim made no link"
  case $(readlink -f "$work/prompro7") in /dev/pts/*) ;; *) fail "promsim's line is no pseudo-terminal" ;; esac
  export ZMHW_COM1=$work/prompro7
  /usr/bin/zmcli send V >"$work/zmcli.out" 2>&1 || fail "zmcli send V: $(cat "$work/zmcli.out")"
  grep -q 'Verify' "$work/zmcli.out" || fail "zmcli send V printed no answer: $(cat "$work/zmcli.out")"
  note "zmcli send V through /usr/bin/zmcli gets the answer and the prompt"

  # Tools for the checks below, after the package's own dependencies have been counted.
  apt-get install -y -qq --no-install-recommends man-db bash-completion >/dev/null
  for page in zmcli zmimage dabrix morvel promsim; do
    man "$page" 2>/dev/null | grep -q "^NAME" || fail "man $page renders nothing"
  done
  man dabrix 2>/dev/null | grep -q 'flat binary image' || fail "man dabrix lacks its text"
  man zmcli 2>/dev/null | grep -q '^ENVIRONMENT' || fail "man zmcli lacks ENVIRONMENT"
  note "man pages render: man dabrix, morvel, promsim, zmcli, zmimage"

  # The completion, as a new user's interactive bash loads it (bash-completion, on demand): what
  # it offers for a line, table-driven; every word listed must be among the offers.
  mkdir -p "$work/home" "$work/files"
  cp /etc/skel/.bashrc "$work/home/"
  touch "$work/files/rom.hex" "$work/files/trace.txt" "$work/files/site.ini"
  cat > "$work/complete.sh" <<'CHECK'
__load_completion zmcli || { echo "no completion for zmcli"; exit 1; }
complete -p zmcli | grep -q -- '-F _zmcli zmcli$' || { echo "completion: $(complete -p zmcli)"; exit 1; }
offers() {  # the words offered for the line, cursor at its end, split as bash splits it
  local line=$1
  read -r -a COMP_WORDS <<<"${line//=/ = }"
  [[ $line == *" " || $line == *= ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMP_LINE=$line COMP_POINT=${#line} COMPREPLY=()
  _zmcli zmcli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  echo " ${COMPREPLY[*]} "
}
status=0
while IFS='|' read -r line wanted; do
  got=$(offers "$line")
  for w in $wanted; do
    [[ $got == *" $w "* ]] || { echo "'$line' offers [$got], not $w"; status=1; }
  done
done <<'TABLE'
zmcli |term send download upload-bin upload-hex verify
zmcli -|-p -b -f -i --log --quiet --echo --version
zmcli -p1 upload-bin --|--start --bytes --log
zmcli upload-hex --|--offset --stop
zmcli send --|--raw --expect --enter
zmcli download --|--verify --binary
zmcli download r|rom.hex
zmcli --log=tr|trace.txt
zmcli -is|-isite.ini
zmcli --flow |none ctsrts dtrdsr
TABLE
__load_completion zmimage || { echo "no completion for zmimage"; exit 1; }
got=$(COMP_WORDS=(zmimage sp) COMP_CWORD=1; _zmimage zmimage sp zmimage; echo " ${COMPREPLY[*]} ")
[[ $got == *" split "* ]] || { echo "zmimage sp offers [$got]"; status=1; }
got=$(COMP_WORDS=(zmimage fill --size 27C2); COMP_CWORD=3; _zmimage zmimage 27C2 --size; echo " ${COMPREPLY[*]} ")
[[ $got == *" 27C256 "* ]] || { echo "zmimage fill --size 27C2 offers [$got]"; status=1; }
got=$(offers 'zmcli send ')
[ -z "${got// /}" ] || { echo "send's TEXT is offered [$got]"; status=1; }
exit $status
CHECK
  (cd "$work/files" && HOME=$work/home bash -i "$work/complete.sh" >"$work/complete.out" 2>&1) \
    || fail "bash completion: $(cat "$work/complete.out")"
  note "bash -i loads the completions of zmcli and zmimage: commands, options and file names offered"

  # The window on top: it brings Qt, and needs zmtools of its own version.
  [ "$(dpkg-deb -f /tmp/zm32.deb Depends | cut -d, -f1)" = "zmtools (= $(dpkg-query -W -f='${Version}' zmtools))" ] \
    || fail "zm32's Depends: $(dpkg-deb -f /tmp/zm32.deb Depends)"
  installed > "$work/packages-no-zm32"
  apt-get install -y -qq --no-install-recommends /tmp/zm32.deb >/dev/null
  pulled_zm32=$(installed | comm -13 "$work/packages-no-zm32" -)
  note "zm32 on top: apt-get installed $(echo "$pulled_zm32" | wc -l) packages: $(echo $pulled_zm32)"
  ! echo "$pulled_zm32" | grep -E -e '-(dev|doc)$' || fail "development or documentation packages pulled in"
  for f in /usr/lib/zmtools/zm32 /usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/*.so; do
    ! ldd "$f" | grep 'not found' || fail "$f lacks a library"
  done
  man zm32 2>/dev/null | grep -q "^NAME" || fail "man zm32 renders nothing"

  # zm32 offscreen on promsim through /usr/bin/zm32.
  QT_QPA_PLATFORM=offscreen /usr/bin/zm32 >"$work/zm32.out" 2>&1 &
  zm32=$!
  wait_for 20 grep -q 'peer opened the line' "$work/line.txt" || fail "zm32 did not open promsim's line"
  sleep 1
  kill -0 $zm32 2>/dev/null || fail "zm32 ended: $(cat "$work/zm32.out")"
  kill $zm32; wait $zm32 || true
  note "zm32 runs offscreen and opens promsim's line"

  apt-get install -y -qq --no-install-recommends xvfb xdotool strace >/dev/null
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
    wait_for 10 grep -q -E "\"$f\", O_RDONLY(\|[A-Z_]+)*\) = [0-9]" "$work/opened.txt" || fail "zm32 did not open $f"
  done
  note "zm32 started as /usr/bin/zm32 loads /usr/lib/zmtools/libzmhwcomm.so and shows zm32.txt and zm32ini.txt from there"
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  pids=()

  apt-get purge -y -qq zm32 zmtools man-db bash-completion xvfb xdotool strace >/dev/null
  apt-get autoremove --purge -y -qq >/dev/null
  # What the tools brought and autoremove keeps (a package something recommends) goes by hand;
  # of what the packages brought, nothing may stay.
  from_tools=$(installed | comm -13 "$work/packages-before" - | comm -23 - <(printf '%s\n' $pulled $pulled_zm32 | sort))
  [ -z "$from_tools" ] || apt-get purge -y -qq $from_tools >/dev/null
  for p in zmtools zm32; do
    dpkg-query -W -f='${db:Status-Abbrev}' $p 2>/dev/null | grep -q '^i' && fail "$p still installed"
  done
  snapshot > "$work/files-after"
  left=$(comm -13 "$work/files-before" "$work/files-after")
  [ -z "$left" ] || fail "left behind after purge: $(echo $left)"
  installed | cmp -s - "$work/packages-before" \
    || fail "still installed: $(installed | comm -13 "$work/packages-before" - | xargs)"
  note "apt-get purge leaves nothing behind"
  exit 0
fi

# In a mount and process namespace of its own: every mount made here, debootstrap's too, and
# every process left go with it, however the check ends.
make_root() {
  echo "package-check: making a fresh Debian 12 in $1"
  debootstrap --variant=minbase bookworm "$1" "${DEBIAN_MIRROR:-http://deb.debian.org/debian}" \
    >"$1.log" 2>&1 || { tail -n 20 "$1.log" >&2; exit 1; }
}
if [ "${1:-}" = --make-root ]; then
  make_root "$2"
  exit 0
fi
if [ "${1:-}" = --root ]; then
  root=$2 script=$3
  shift 3
  # A root made ahead is used as it is, once: the check took its mark away before coming here.
  [ -d "$root" ] || make_root "$root"
  cp "$1" "$root/tmp/zmtools.deb"
  cp "$2" "$root/tmp/zm32.deb"
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
# Beside the package's tree, not in it: scripts/package.sh starts that tree anew, and may do so
# while a root is being made ahead. The mark says a root is fresh: made whole and never used.
root=$(realpath -m "${BUILD_DIR:-build-package}-check/root")
fresh_mark=$(dirname "$root")/fresh
if [ "${1:-}" = --prepare ]; then
  rm -f "$fresh_mark"
  rm -rf --one-file-system "$root"
  mkdir -p "$(dirname "$root")"
  unshare --mount --pid --fork --kill-child bash "$self" --make-root "$root" || exit 1
  touch "$fresh_mark"
  echo "package-check: fresh root ready in $(($(date +%s) - started)) s"
  exit 0
fi
if [ $# -eq 0 ]; then
  built=$(bash scripts/package.sh | tail -n 1)
  set -- $built
fi
# One zmtools and one zm32 package, in either order.
debs=()
for package in zmtools zm32; do
  found=""
  for deb in "$@"; do
    [ -f "$deb" ] || { echo "package-check: $deb: no such file" >&2; exit 2; }
    [ "$(dpkg-deb -f "$deb" Package)" != "$package" ] || found=$(realpath "$deb")
  done
  [ -n "$found" ] || { echo "package-check: no $package package among: $*" >&2; exit 2; }
  debs+=("$found")
done
cleanup() { rm -rf --one-file-system "$root"; }
trap cleanup EXIT
if [ -f "$fresh_mark" ]; then
  rm -f "$fresh_mark"
  echo "package-check: using the fresh Debian 12 made ahead in $root"
else
  cleanup
fi
mkdir -p "$(dirname "$root")"
unshare --mount --pid --fork --kill-child bash "$self" --root "$root" "$self" "${debs[@]}"
echo "package-check: passed in $(($(date +%s) - started)) s"
