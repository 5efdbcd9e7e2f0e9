# zmcli.exe under wine against promsim, with the Linux build's zmcli on the same inputs as the
# oracle: the same exit statuses and messages, the download in promsim's memory, read back by
# upload-bin, and upload-hex turned back into the image by dabrix.exe; ports lists the mapped COM
# ports, and the user's own settings in %APPDATA% name the port.
#
# Not run on its own: sourced by scripts/windows.sh once its wine prefix, the COM port mapping
# and its promsims are up (it adds COM7 and COM200 to the mapping and restarts the server once).
# It uses windows.sh's root, work, pids, fail, say, restart_server, port_leads_to_promsim, the
# Linux build in build/, and wine (the command or the function windows.sh puts in its place):
#   source scripts/windows-zmcli.sh
#   zmcli_checks build-win64/zmtools-win64/bin    # once per architecture that runs
# The folder holds zmcli.exe, zmhwcomm.dll and dabrix.exe as the zip ships them.

# zmcli's port, and one that leads nowhere: mapped in wine's registry to a path in the work
# tree that never exists, so that no default mapping can give it a real serial device.
zmcli_port=7
zmcli_missing=200
# A promsim of its own, as if switched on afresh for each run, so that its chip is blank for
# "P" and the run's image is the only one it has seen. upload-hex lets the line settle for a
# second after "U", longer than windows.sh's promsims (--upload-delay 100) wait.
zmcli_memory=400
zmcli_promsim_pid=

# zmcli_promsim MEMORY_FILE: promsim on the link of COM<port>, saving its memory to the file.
zmcli_promsim() {
  local n=$zmcli_port
  if [ -n "$zmcli_promsim_pid" ]; then
    kill "$zmcli_promsim_pid" 2>/dev/null || true
    wait "$zmcli_promsim_pid" 2>/dev/null || true
  fi
  rm -f "$work/ports/com$n.out"
  build/bin/promsim --link "$work/ports/com$n" --size "$zmcli_memory" --upload-delay 2000 \
    --rate "${zmcli_promsim_rate:-0}" ${zmcli_promsim_extra:-} --save "$1" >"$work/ports/com$n.out" 2>&1 &
  zmcli_promsim_pid=$!
  pids+=($!)
  for _ in $(seq 50); do [ -s "$work/ports/com$n.out" ] && [ -L "$work/ports/com$n" ] && break; sleep 0.1; done
}

zmcli_setup() {
  [ -z "${zmcli_ready:-}" ] || return 0
  local n=$zmcli_port m=$zmcli_missing mapping
  # The oracle: windows.sh's Linux build of the others leaves zmcli out.
  cmake --build build -j2 --target zmcli >"$work/zmcli-linux.log" || { cat "$work/zmcli-linux.log"; fail "Linux zmcli build"; }
  # The link is there before the mount manager reads its mapping.
  zmcli_promsim "$work/ports/com$n.bin"
  printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n"COM%s"="%s"\n"COM%s"="%s"\n' \
    "$n" "$work/ports/com$n" "$m" "$work/ports/com$m-none" >"$work/ports/zmcli.reg"
  (cd "$work/ports" && wine reg import zmcli.reg >/dev/null 2>&1) || fail "wine reg import for zmcli"
  # The mount manager makes the dosdevices links from the registry when the server starts.
  restart_server
  wine cmd /c exit >/dev/null 2>&1
  mapping=$(wine reg query 'HKLM\Software\Wine\Ports' 2>/dev/null | tr -d '\r')
  [ "$(sed -n "s/^ *COM$n *REG_SZ *//p" <<<"$mapping")" = "$work/ports/com$n" ] ||
    fail "COM$n is not mapped to $work/ports/com$n in wine's registry"
  [ "$(sed -n "s/^ *COM$m *REG_SZ *//p" <<<"$mapping")" = "$work/ports/com$m-none" ] ||
    fail "COM$m is not mapped to $work/ports/com$m-none in wine's registry"
  zmcli_ready=1
}

# Before zmcli.exe may open COM<missing>: it leads to the path that does not exist, or nowhere.
zmcli_port_leads_nowhere() {
  local m=$zmcli_missing link
  link=$(readlink "$WINEPREFIX/dosdevices/com$m" || true)
  [ -z "$link" ] || [ "$link" = "$work/ports/com$m-none" ] || fail "wine's com$m leads to '$link'"
  [ ! -e "$work/ports/com$m-none" ] || fail "$work/ports/com$m-none exists"
}

# The cases in order, on one promsim: status|arguments after zm32's. A run's files stay in its
# folder; "image.hex" is the random image of both sides.
zmcli_cases=(
  "0|-p$zmcli_port download image.hex"
  "0|-p$zmcli_port upload-bin back.bin --bytes $zmcli_memory"
  "0|-p$zmcli_port upload-hex back.hex --stop FFFF"
  "0|-p$zmcli_port send P"
  "0|-p$zmcli_port send V"
  "3|-p$zmcli_missing send V"
  "2|-p$zmcli_port frobnicate"
  "0|-p$zmcli_port download image.bin --verify"
)

# zmcli_one SIDE BIN WHERE NAME ARGS...: Linux's zmcli or BIN/zmcli.exe in WHERE, standard
# input as given; status, standard output and standard error in NAME.rc, .out, .err
# (CR LF as LF in .err: wine's stderr is in text mode). The caller has checked the port.
zmcli_one() {
  local side=$1 bin=$2 where=$3 name=$4
  shift 4
  set +e
  if [ "$side" = linux ]; then
    (cd "$where" && env "ZMHW_COM$zmcli_port=$work/ports/com$zmcli_port" \
      "ZMHW_COM$zmcli_missing=$work/ports/com$zmcli_missing-none" \
      "$root/build/bin/zmcli" -i- "$@" >"$name.out" 2>"$name.err")
  else
    (cd "$where" && run_on "$zmcli_arch" "$bin/zmcli.exe" -i- "$@" >"$name.out" 2>"$name.err")
  fi
  echo $? >"$where/$name.rc"
  set -e
  sed -zi 's/\r\n/\n/g' "$where/$name.err"
}

# term's keys from a pipe: "V", and Ctrl-] once the answer is on the display (or 10 s on).
# A term that ended early has closed the pipe: that is for the checks to tell, not SIGPIPE.
zmcli_term_keys() {
  trap '' PIPE
  printf V
  for _ in $(seq 100); do ! grep -q 'Verify' "$1/term.out" 2>/dev/null || break; sleep 0.1; done
  printf '\035' 2>/dev/null || true
}

# term's keys from a pipe while the line goes and comes back: the programmer is switched off
# and on again after its greeting (its pid left in WHERE/promsim.pid for the caller, this
# being a subshell), "V" once term says the line is back, Ctrl-] after the answer.
zmcli_term_lost_keys() {
  trap '' PIPE
  for _ in $(seq 100); do ! grep -q '^>' "$1/term-lost.out" 2>/dev/null || break; sleep 0.1; done
  zmcli_promsim "$1/memory.bin"
  echo "$zmcli_promsim_pid" >"$1/promsim.pid"
  for _ in $(seq 100); do ! grep -q 'Line back' "$1/term-lost.err" 2>/dev/null || break; sleep 0.1; done
  printf V
  for _ in $(seq 100); do ! grep -q 'Verify' "$1/term-lost.out" 2>/dev/null || break; sleep 0.1; done
  printf '\035' 2>/dev/null || true
}

# What a console shows has TEXT: wine draws a space as a step right, and hides the cursor
# around each character.
zmcli_console_shows() { sed -e 's/\x1b\[1C/ /g' -e 's/\x1b\[[0-9;?]*[a-zA-Z]//g' "$1" 2>/dev/null | grep -qF "$2"; }

# term's keys in a console, each once what it answers is shown: "v" after the greeting (raw mode
# is on by then), Ctrl-] after the answer; script ends with its input, so that comes last.
zmcli_console_keys() {
  trap '' PIPE
  local text
  for text in 'Ctrl-]' 'Verify OK'; do
    for _ in $(seq 150); do ! zmcli_console_shows "$1" "$text" || break; sleep 0.1; done
    if [ "$text" = 'Ctrl-]' ]; then printf v; else printf '\035'; fi
  done 2>/dev/null || true
  sleep 2
}

# zmcli_run SIDE BIN WHERE: the cases, then term, on a promsim of their own.
zmcli_run() {
  local side=$1 bin=$2 where=$3 i words
  rm -rf "$where"
  mkdir -p "$where"
  cp "$(dirname "$where")/image.bin" "$where/image.bin"
  build/bin/morvel "$where/image.bin" "$where/image.hex"
  zmcli_promsim "$where/memory.bin"
  for i in "${!zmcli_cases[@]}"; do
    read -ra words <<<"${zmcli_cases[$i]#*|}"
    if [ "$side" = wine ]; then
      if [ "${words[0]}" = "-p$zmcli_missing" ]; then zmcli_port_leads_nowhere; else port_leads_to_promsim "$zmcli_port"; fi
    fi
    zmcli_one "$side" "$bin" "$where" "$i" "${words[@]}" </dev/null
    if [ "${words[1]}" = download ]; then
      # promsim saves its memory after the transfer's report.
      for _ in $(seq 50); do cmp -s "$where/memory.bin" "$where/image.bin" && break; sleep 0.1; done
      cmp -s "$where/memory.bin" "$where/image.bin" && echo same >"$where/memory" || echo differs >"$where/memory"
    fi
  done
  [ "$side" = linux ] || port_leads_to_promsim "$zmcli_port"
  (zmcli_term_keys "$where") | zmcli_one "$side" "$bin" "$where" term "-p$zmcli_port" term
  [ "$side" = linux ] || port_leads_to_promsim "$zmcli_port"
  (zmcli_term_lost_keys "$where") | zmcli_one "$side" "$bin" "$where" term-lost "-p$zmcli_port" term
  zmcli_promsim_pid=$(cat "$where/promsim.pid")
  pids+=("$zmcli_promsim_pid")
}

zmcli_checks() {
  local bin arch i rc linux_rc status differing=
  bin=$(cd "$1" && pwd)
  arch=$(basename "$(dirname "$bin")")
  arch=${arch#zmtools-}
  zmcli_arch=$arch
  zmcli_setup
  local linux=$work/zmcli/linux wine_dir=$work/zmcli/$arch-wine
  # One image for every side, so that the sums they print are compared too; Linux's zmcli, the
  # oracle, runs once for every architecture.
  if [ ! -f "$work/zmcli/image.bin" ]; then
    mkdir -p "$work/zmcli"
    head -c $((16#$zmcli_memory)) /dev/urandom >"$work/zmcli/image.bin"
    zmcli_run linux "" "$linux"
  fi
  zmcli_run wine "$bin" "$wine_dir"
  for i in "${!zmcli_cases[@]}"; do
    status=${zmcli_cases[$i]%%|*}
    rc=$(cat "$wine_dir/$i.rc") linux_rc=$(cat "$linux/$i.rc")
    [ "$linux_rc" = "$status" ] || fail "Linux zmcli ${zmcli_cases[$i]#*|}: status $linux_rc, not $status ($(cat "$linux/$i.err"))"
    [ "$rc" = "$linux_rc" ] || fail "$arch zmcli.exe ${zmcli_cases[$i]#*|}: status $rc, Linux $linux_rc ($(cat "$wine_dir/$i.err"))"
    # A port that does not open names a device on Linux and only the port on Windows: its
    # first line is compared.
    if [ "$status" = 3 ]; then
      for side in "$linux" "$wine_dir"; do head -n 1 "$side/$i.err" >"$side/$i.err1" && mv "$side/$i.err1" "$side/$i.err"; done
    fi
    for s in out err; do
      cmp -s "$linux/$i.$s" "$wine_dir/$i.$s" ||
        differing+=" ${zmcli_cases[$i]#*|} ($s: '$(head -c 200 "$wine_dir/$i.$s")', Linux '$(head -c 200 "$linux/$i.$s")');"
    done
  done
  [ -z "$differing" ] || fail "$arch zmcli.exe differs from Linux:$differing"
  # What term shows depends on when the greeting came: its answer and its end are compared.
  for side in "$linux" "$wine_dir"; do
    [ "$(cat "$side/term.rc")" = 0 ] && grep -q 'Verify OK' "$side/term.out" ||
      fail "$side: term with keys from a pipe: status $(cat "$side/term.rc"), '$(cat "$side/term.out" "$side/term.err")'"
  done
  # The line lost and back under a term fed from a pipe: said both ways, and the key after it answered.
  for side in "$linux" "$wine_dir"; do
    [ "$(cat "$side/term-lost.rc")" = 0 ] && grep -q 'Verify OK' "$side/term-lost.out" &&
      grep -q '^Line lost: COM' "$side/term-lost.err" && grep -q '^Line back: COM' "$side/term-lost.err" ||
      fail "$side: term from a pipe, line lost and back: status $(cat "$side/term-lost.rc"), '$(cat "$side/term-lost.out" "$side/term-lost.err")'"
  done
  # term in a console: wine makes the pseudo-terminal of script a console, so the keys come
  # through the console input API in raw mode; "v" goes out as "V" while upper is on. Once, on
  # the 64-bit build: the console layer is the same source for both.
  if [ "$arch" = win64 ]; then
  port_leads_to_promsim "$zmcli_port"
  set +e
  (zmcli_console_keys "$wine_dir/console.out") | (
    ! declare -F wine >/dev/null || export -f wine
    SHELL=/bin/bash script -qec "$(printf '%q ' wine "$bin/zmcli.exe" -i- "-p$zmcli_port" term)" /dev/null
  ) >"$wine_dir/console.out" 2>&1
  rc=$?
  set -e
  [ "$rc" = 0 ] && zmcli_console_shows "$wine_dir/console.out" 'Verify OK' ||
    fail "$arch zmcli.exe term in a console: status $rc, '$(head -c 300 "$wine_dir/console.out")'"
  fi
  for side in "$linux" "$wine_dir"; do
    [ "$(cat "$side/memory")" = same ] || fail "$side: promsim's memory is not the downloaded image"
    cmp -s "$side/back.bin" "$side/image.bin" || fail "$side: upload-bin's file is not the image"
  done
  # Neither the send nor the messages can pass empty: wine without a loader writes nothing.
  grep -q 'Verify OK' "$wine_dir/4.out" || fail "$arch zmcli.exe send V: '$(cat "$wine_dir/4.out")'"
  grep -q "Couldn't zmhwOpen" "$wine_dir/5.err" || fail "$arch zmcli.exe on COM$zmcli_missing: '$(cat "$wine_dir/5.err")'"
  # ports lists what wine's registry maps, each COM port under its own number, and opens none.
  (cd "$wine_dir" && run_on "$arch" "$bin/zmcli.exe" -i- ports >ports.out 2>ports.err) ||
    fail "$arch zmcli.exe ports: status $?, '$(cat "$wine_dir/ports.err")'"
  for n in "$zmcli_port" "$zmcli_missing"; do
    tr -d '\r' <"$wine_dir/ports.out" | grep -q "^COM$n  *COM$n  " ||
      fail "$arch zmcli.exe ports lists no COM$n: '$(cat "$wine_dir/ports.out")'"
  done
  # The user's own settings, %APPDATA%\zmtools\zm32.ini, name the port when the folder has none.
  local appdata
  appdata=$(wine winepath -u "$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')" 2>/dev/null | tr -d '\r')
  [ -d "$appdata" ] || fail "wine's APPDATA folder '$appdata' is not there"
  mkdir -p "$appdata/zmtools"
  printf '[zm32]\r\nport=COM%s\r\n' "$zmcli_port" >"$appdata/zmtools/zm32.ini"
  port_leads_to_promsim "$zmcli_port"
  (cd "$wine_dir" && run_on "$arch" "$bin/zmcli.exe" send V >user.out 2>user.err) ||
    fail "$arch zmcli.exe with the port in %APPDATA%\\zmtools\\zm32.ini: status $?, '$(cat "$wine_dir/user.err")'"
  rm -f "$appdata/zmtools/zm32.ini"
  grep -q 'Verify OK' "$wine_dir/user.out" ||
    fail "$arch zmcli.exe send V on the user's port: '$(cat "$wine_dir/user.out")'"
  (cd "$linux" && "$root/build/bin/dabrix" back.hex hex.bin >dabrix.out 2>&1) || fail "Linux dabrix back.hex"
  cmp -s "$linux/hex.bin" "$linux/image.bin" || fail "Linux: dabrix of upload-hex's file is not the image"
  (cd "$wine_dir" && run_on "$arch" "$bin/dabrix.exe" back.hex hex.bin >dabrix.out 2>&1) || fail "$arch dabrix.exe back.hex"
  cmp -s "$wine_dir/hex.bin" "$wine_dir/image.bin" || fail "$arch: dabrix.exe of upload-hex's file is not the image"
  local console=
  [ "$arch" != win64 ] || console=" and in a console"
  say "$arch zmcli.exe: ${#zmcli_cases[@]} cases as on Linux, term from a pipe (also with the line lost and back)$console; download, upload-bin, upload-hex and dabrix.exe give the image back; ports lists wine's COM ports; the port from %APPDATA%\zmtools\zm32.ini"
}
