# zm32.exe under wine against promsim, on a virtual display that this starts itself: the window
# in-process (tests/win32/win32_view_test.exe: commands, keys, transfers, the menus during them,
# the help window), then zm32.exe from the zip as a user drives it: keys typed by xdotool, the
# menus from the keyboard, the file dialogs typed into, the controls' texts read back through
# WM_GETTEXT by window_text.exe.
#
# Not run on its own: sourced by scripts/windows.sh after scripts/windows-zmcli.sh, whose COM
# mapping (COM<zmcli_port> to promsim, COM<zmcli_missing> to nowhere) and promsim it uses:
#   source scripts/windows-zm32.sh
#   zm32_checks win64                     # once per architecture that runs

zm32_display=

# Xvfb on a free display number, stopped with windows.sh's other processes.
zm32_start_display() {
  [ -z "$zm32_display" ] || return 0
  local number=$work/zm32/display
  mkdir -p "$work/zm32"
  rm -f "$number"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number" >"$work/zm32/xvfb.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
  [ -s "$number" ] || fail "Xvfb did not start ($(cat "$work/zm32/xvfb.log"))"
  zm32_display=:$(head -n 1 "$number")
}

# A wine program of the architecture on the virtual display.
zm32_wine() { DISPLAY=$zm32_display run_on "$zm32_arch" "$@"; }
# window_text.exe CLASS [ID | shown ID]: what a control of a running window says.
zm32_text() { zm32_wine "$zm32_helpers/window_text.exe" zm32main "$@" 2>/dev/null; }
# zm32_wait WHAT SECONDS COMMAND...: until the command succeeds, else fails with WHAT.
zm32_wait() {
  local what=$1 tries=$(($2 * 10))
  shift 2
  for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
  fail "$zm32_arch zm32.exe: $what (status line '$(zm32_text 1003)', pane ending '$(zm32_text 1001 | tail -c 200)')"
}
zm32_pane_has() { [[ $(zm32_text 1001) == *"$1"* ]]; }
zm32_window() { DISPLAY=$zm32_display xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
zm32_x_window_there() { [ -n "$(zm32_window "$1")" ]; }
# Keys for the window whose X title matches.
zm32_keys() {
  local id
  id=$(zm32_window "$1")
  shift
  DISPLAY=$zm32_display xdotool windowfocus --sync "$id" "$@"
}
zm32_same() { cmp -s "$1" "$2"; }
# A transfer has ended: Stop has gone and the status line is empty.
zm32_idle() { [ "$(zm32_text shown 1004)" = hidden ] && [ -z "$(zm32_text 1003)" ]; }
zm32_said() { [ -n "$(zm32_text "$1")" ]; }
zm32_status_is() { [ "$(zm32_text 1003)" = "$1" ]; }
# shellcheck disable=SC2053 # a pattern on purpose
zm32_status_is_like() { [[ $(zm32_text 1003) == $1 ]]; }
zm32_caption_is() { [ "$(zm32_text)" = "$1" ]; }
zm32_answers_over() { [ "$(zm32_text 1001 | grep -o Verify | wc -l)" -gt "$1" ]; }
zm32_upload_done() { zm32_same "$1" "$2" && [ -z "$(zm32_text 1003)" ]; }
zm32_gone() { ! zm32_text >/dev/null; }
# exit from the menu: its last item, after verify, blank check and production, past the separator.
zm32_exit() {
  zm32_keys 'zm32:uhj' key F10 Down Down Down Down Down Down Down Return
  zm32_wait "exit left the window" 10 zm32_gone
}

zm32_checks() {
  local arch=$1 dir out status caption
  zm32_arch=$arch
  zm32_helpers=$root/build-$arch/bin
  zmcli_setup
  zm32_start_display
  # wine's desktop comes with the first program after the server starts, on that program's
  # display: the console checks started it with none, and then no window opens.
  restart_server
  DISPLAY=$zm32_display wine cmd /c exit >/dev/null 2>&1 || true
  # The window in-process, its exe beside the DLL and the help files as in the zip.
  dir=$work/zm32/$arch/inproc
  rm -rf "$dir" && mkdir -p "$dir/bin"
  cp "$zm32_helpers/win32_view_test.exe" "build-$arch/zmtools-$arch/bin"/{zmhwcomm.dll,zm32.txt,zm32ini.txt} "$dir/bin/"
  head -c $((16#$zmcli_memory)) /dev/urandom >"$dir/image.bin"
  build/bin/morvel "$dir/image.bin" "$dir/image.hex"
  # Fresh chips for the production panel's run: each "P" finds an erased one, saved to chips/.
  mkdir "$dir/chips"
  zmcli_promsim_extra="--fresh-chips --save-chips $dir/chips" zmcli_promsim "$dir/memory.bin"
  port_leads_to_promsim "$zmcli_port"
  zmcli_port_leads_nowhere
  set +e
  out=$(cd "$dir" && zm32_wine "$dir/bin/win32_view_test.exe" "$zmcli_port" "$zmcli_missing" 2>&1 | tr -d '\r')
  status=$?
  set -e
  # wine's status says little: the cases' own lines tell.
  if [ "$status" != 0 ] || [[ $out != *$'\n0 of '*' cases failed'* ]] || grep -q '^FAIL' <<<"$out"; then
    echo "$out"
    fail "$arch: the Win32 window in-process"
  fi
  say "$arch: the Win32 window in-process: $(grep -c '^ok: ' <<<"$out") cases; $(figures <<<"$out")"

  # zm32.exe from the zip, driven from outside.
  dir=$work/zm32/$arch/driven
  rm -rf "$dir" && mkdir -p "$dir"
  head -c $((16#$zmcli_memory)) /dev/urandom >"$dir/image.bin"
  build/bin/morvel "$dir/image.bin" "$dir/image.hex"
  zmcli_promsim "$dir/memory.bin"
  port_leads_to_promsim "$zmcli_port"
  (cd "$dir" && zm32_wine "$root/build-$arch/zmtools-$arch/bin/zm32.exe" -i- "-p$zmcli_port" >zm32.out 2>&1 &)
  zm32_wait "no window came" 30 zm32_x_window_there 'zm32:uhj'
  caption=$(zm32_text)
  [ "$caption" = "- (zm32:uhj zmhwcomm.dll:uhk)" ] || fail "$arch zm32.exe: caption '$caption'"
  # The help label is filled once the port is open.
  zm32_wait "the port did not open" 10 zm32_said 1002
  zm32_keys 'zm32:uhj' type --delay 50 v
  zm32_wait "no answer to a typed V" 10 zm32_pane_has 'Verify'
  # With the line open, a thread that another program starts in zm32.exe's process (as readers of
  # a window do) runs at once; the pane holds one CR LF at each break.
  local took
  took=$(zm32_text thread | tr -d '\r') ||
    fail "$arch zm32.exe: a thread started in its process with the line open: ${took:-it did not start}"
  [[ $(zm32_text 1001) != *$'\r\r'* ]] || fail "$arch zm32.exe: the pane holds CR CR LF"
  say "$arch zm32.exe: a thread started from outside read the menu in $took ms with the line open"
  # download hex: the first item of the first menu, its file dialog typed into.
  zm32_keys 'zm32:uhj' key F10 Down Return
  zm32_wait "no Open dialog" 10 zm32_x_window_there '^Open$'
  zm32_keys '^Open$' type --delay 20 image.hex
  zm32_keys '^Open$' key Return
  zm32_wait "promsim's memory is not the downloaded file" 30 zm32_same "$dir/memory.bin" "$dir/image.bin"
  # upload bin: the second item.
  zm32_wait "the download does not end" 20 zm32_idle
  sleep 0.5
  zm32_keys 'zm32:uhj' key F10 Down Down Return
  zm32_wait "no Save As dialog" 10 zm32_x_window_there '^Save As$'
  zm32_keys '^Save As$' type --delay 20 back.bin
  zm32_keys '^Save As$' key Return
  zm32_wait "upload bin's file is not the memory" 40 zm32_upload_done "$dir/back.bin" "$dir/image.bin"
  # upload hex: the third item; promsim falls silent after the end record, and the box that
  # says so is answered with Enter. Linux's dabrix makes the image of its file.
  zm32_wait "upload bin does not end" 20 zm32_idle
  sleep 0.5
  zm32_keys 'zm32:uhj' key F10 Down Down Down Return
  zm32_wait "no Save As dialog for upload hex" 10 zm32_x_window_there '^Save As$'
  zm32_keys '^Save As$' type --delay 20 back.hex
  zm32_keys '^Save As$' key Return
  zm32_wait "no box at upload hex's end" 40 zm32_x_window_there '^Information$'
  zm32_keys '^Information$' key Return
  zm32_wait "upload hex does not end" 30 zm32_idle
  (cd "$dir" && "$root/build/bin/dabrix" back.hex hex.bin >dabrix.out 2>&1) || fail "$arch zm32.exe: dabrix of upload hex's file"
  zm32_same "$dir/hex.bin" "$dir/image.bin" || fail "$arch zm32.exe: upload hex's file is not the memory"
  # The line lost with promsim's end, and back with a new promsim; a key reaches that one.
  kill "$zmcli_promsim_pid" 2>/dev/null || true
  wait "$zmcli_promsim_pid" 2>/dev/null || true
  zm32_wait "no lost line on the status line" 10 zm32_status_is "Line lost: COM$zmcli_port; waiting for it to come back"
  # This promsim sends at 9600 baud's pace, so that a click can land while records stream in.
  zmcli_promsim_rate=960 zmcli_promsim "$dir/memory-again.bin"
  port_leads_to_promsim "$zmcli_port"
  zm32_wait "the line is not back" 10 zm32_status_is "Line back: COM$zmcli_port"
  local answers
  answers=$(zm32_text 1001 | grep -o Verify | wc -l)
  zm32_keys 'zm32:uhj' type --delay 50 V
  zm32_wait "no answer to V on the line that came back" 10 zm32_answers_over "$answers"
  # Stop clicked with the mouse through the display (not a message) while upload hex's records
  # stream in: the upload ends there, without the box of its normal end, and keeps fewer lines.
  zm32_keys 'zm32:uhj' key F10 Down Down Down Return
  zm32_wait "no Save As dialog for the clicked upload hex" 10 zm32_x_window_there '^Save As$'
  zm32_keys '^Save As$' type --delay 20 clicked.hex
  zm32_keys '^Save As$' key Return
  zm32_wait "upload hex's records do not come" 20 zm32_status_is_like 'line [1-4]?, addr *'
  DISPLAY=$zm32_display xdotool mousemove $(zm32_text centre 1004) click 1
  zm32_wait "the clicked upload hex does not end" 20 zm32_idle
  ! zm32_x_window_there '^Information$' || fail "$arch zm32.exe: the click on Stop did not stop upload hex"
  local kept_lines
  kept_lines=$(wc -l <"$dir/clicked.hex")
  [ "$kept_lines" -gt 0 ] && [ "$kept_lines" -lt 60 ] ||
    fail "$arch zm32.exe: upload hex kept $kept_lines lines after the click on Stop"
  # etc -> settings...: the port typed into its field (the focus is there, its text selected),
  # Tab, a rate, Enter. The port opens again at once, the caption names the user's settings
  # file, which holds both, and a typed V is answered.
  local user_file kept
  user_file=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/zmtools/zm32.ini
  rm -f "$user_file"
  zm32_keys 'zm32:uhj' key F10 Right Down Down Down Down Return
  zm32_wait "no settings dialog" 10 zm32_x_window_there '^settings$'
  zm32_keys '^settings$' type --delay 20 "COM$zmcli_port"
  zm32_keys '^settings$' key Tab
  zm32_keys '^settings$' type --delay 20 19200
  zm32_keys '^settings$' key Return
  zm32_wait "the caption does not name the user's settings file" 10 zm32_caption_is \
    'C:\users\'"$(id -un)"'\AppData\Roaming\zmtools\zm32.ini (zm32:uhj zmhwcomm.dll:uhk)'
  kept=$(tr -d '\r' <"$user_file" 2>/dev/null || true)
  grep -qx "port=COM$zmcli_port" <<<"$kept" && grep -qx 'baud=19200' <<<"$kept" ||
    fail "$arch zm32.exe: the user's settings file holds '$(cat "$user_file" 2>/dev/null)'"
  rm -f "$user_file"
  answers=$(zm32_text 1001 | grep -o Verify | wc -l)
  zm32_keys 'zm32:uhj' type --delay 50 V
  zm32_wait "no answer to V after the settings" 10 zm32_answers_over "$answers"
  zm32_exit
  say "$arch zm32.exe on a display: caption, a typed V answered, download, upload bin and upload hex through the menus and dialogs, a lost and found line, Stop clicked during upload hex, the settings dialog from the menu"
}
