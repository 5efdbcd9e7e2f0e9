# The per-user installers: zmtools-<version>-setup-x64.exe and -x86.exe, made by makensis from
# each zip's tree (packaging/windows/zmtools.nsi), and the x64 one proven under wine: its silent
# run puts the files, the Start menu links, the Apps entry and the PATH entry in place, zm32.exe
# started through its link answers a typed V on promsim's line, a second run replaces the
# programs and keeps the rest, and the silent uninstall takes exactly what it put there.
#
# Not run on its own: sourced by scripts/windows.sh after scripts/windows-zm32.sh, whose display,
# helpers and promsim on COM<zmcli_port> it uses:
#   source scripts/windows-installer.sh
#   installer_build win64; installer_build win32     # after the zips
#   installer_checks                                 # under wine, once the zm32 checks ran

declare -A installer_arch=([win64]=x64 [win32]=x86)
installer_path() { echo "$root/build-$1/zmtools-$version-setup-${installer_arch[$1]}.exe"; }

installer_build() {
  local arch=$1 out log
  out=$(installer_path "$arch") log=$root/build-$arch/installer.log
  rm -f "$out"
  makensis -V2 -DVERSION="$version" -DVERSION4="${numbers[0]}.${numbers[1]}.${numbers[2]}.0" \
    -DARCH="${installer_arch[$arch]}" -DSTAGE="$root/build-$arch/zmtools-$arch" \
    -DICON="$root/frontend/win32/zm32.ico" -DOUTFILE="$out" packaging/windows/zmtools.nsi >"$log" 2>&1 ||
    { cat "$log"; fail "$arch: makensis"; }
  [ -s "$out" ] || fail "$arch: makensis made no $out"
}

# The installer's imports are system DLLs only, and its version resource names the version.
installer_imports_checked() {
  local arch=$1 exe imports d rc got
  exe=$(installer_path "$arch")
  imports=$(${cpu[$arch]}-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' | LC_ALL=C sort | xargs)
  [ -n "$imports" ] || fail "$arch: the installer imports nothing readable"
  for d in $imports; do
    case $d in
      advapi32.dll | comctl32.dll | gdi32.dll | kernel32.dll | ole32.dll | shell32.dll | user32.dll | version.dll) ;;
      *) fail "$arch: the installer imports '$imports'" ;;
    esac
  done
  rc=$(${cpu[$arch]}-w64-mingw32-windres -J coff -O rc -i "$exe" 2>&1) || fail "$arch: the installer has no resources ($rc)"
  got="ProductName=$(resource_value ProductName <<<"$rc") ProductVersion=$(resource_value ProductVersion <<<"$rc")"
  [ "$got" = "ProductName=zmtools ProductVersion=$version" ] || fail "$arch: the installer's version resource says '$got'"
  grep -q "^ *FILEVERSION $file_version\r\\?$" <<<"$rc" || fail "$arch: the installer's FILEVERSION is not $file_version"
}

# The folders of the user's profile in windows.sh's prefix, as Linux paths and as Windows paths.
installer_places() {
  installer_user=$(id -un)
  installer_profile=$WINEPREFIX/drive_c/users/$installer_user
  installer_dir=$installer_profile/AppData/Local/Programs/zmtools
  installer_win_bin='C:\users\'$installer_user'\AppData\Local\Programs\zmtools\bin'
  installer_menu="$installer_profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/zmtools"
}
installer_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\zmtools'
installer_links=("zm32.lnk" "zm32 help.lnk" "Uninstall zmtools.lnk")
# The user's PATH before: the installer adds its entry after these and takes only that away.
installer_user_path='C:\mine;%SystemRoot%\extra'

# wine for the installer: no menu entries or file associations in the Linux desktop.
installer_wine() { DISPLAY=$zm32_display WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d" wine "$@"; }
installer_query() { installer_wine reg query "$@" 2>/dev/null | tr -d '\r' || true; }
installer_value() { # name, reg query's output: the value's type and data
  sed -n "s/^ *$1 *\(REG_[A-Z_]*\) *\(.*\)$/\1 \2/p" <<<"$2"
}
installer_gone() { [ ! -e "$installer_dir/Uninstall.exe" ] && ! grep -q DisplayName <<<"$(installer_query "$installer_key")"; }
installer_entries() { # how many keys of the user's Apps list are this installer's
  installer_wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' 2>/dev/null |
    tr -d '\r' | grep -ci 'Uninstall\\zmtools$' || true
}

# Runs the installer silently and checks what it put in place.
installer_run() {
  installer_wine "$(installer_path win64)" /S >/dev/null 2>&1 || true
  local f want got key
  for _ in $(seq 100); do [ -s "$installer_dir/Uninstall.exe" ] && break; sleep 0.1; done
  for f in "${zip_files[@]}"; do
    cmp -s "$installer_dir/${f}" "build-win64/zmtools-win64/$f" || fail "installer: $f not installed as in the zip"
  done
  [ -s "$installer_dir/Uninstall.exe" ] || fail "installer: no Uninstall.exe"
  for f in "${installer_links[@]}"; do [ -s "$installer_menu/$f" ] || fail "installer: no Start menu link '$f'"; done
  strings "$installer_menu/zm32.lnk" | grep -qi 'zmtools\\bin\\zm32.exe' || fail "installer: zm32.lnk does not start bin\\zm32.exe"
  strings "$installer_menu/zm32 help.lnk" | grep -qi 'zmtools\\bin\\zm32.txt' || fail "installer: the help link does not open zm32.txt"
  key=$(installer_query "$installer_key")
  for f in "DisplayName=REG_SZ zmtools $version (x64)" "DisplayVersion=REG_SZ $version" \
    "Publisher=REG_SZ the zmtools authors" "DisplayIcon=REG_SZ $installer_win_bin\\zm32.exe,0" \
    "UninstallString=REG_SZ \"${installer_win_bin%\\bin}\\Uninstall.exe\"" \
    "QuietUninstallString=REG_SZ \"${installer_win_bin%\\bin}\\Uninstall.exe\" /S" \
    "NoModify=REG_DWORD 0x1" "NoRepair=REG_DWORD 0x1"; do
    got=$(installer_value "${f%%=*}" "$key")
    [ "$got" = "${f#*=}" ] || fail "installer: ${f%%=*} is '$got', not '${f#*=}'"
  done
  got=$(installer_value EstimatedSize "$key")
  [[ $got =~ ^REG_DWORD\ 0x[0-9a-f]+$ ]] && [ $((${got#* })) -gt 1000 ] || fail "installer: EstimatedSize is '$got'"
  want="REG_EXPAND_SZ $installer_user_path;$installer_win_bin"
  got=$(installer_value Path "$(installer_query 'HKCU\Environment' /v Path)")
  [ "$got" = "$want" ] || fail "installer: the user's PATH is '$got', not '$want'"
  [ "$(installer_entries)" = 1 ] || fail "installer: $(installer_entries) entries in the Apps list"
}

installer_checks() {
  installer_places
  local user_ini=$installer_profile/AppData/Roaming/zmtools/zm32.ini answers f
  zm32_arch=win64 zm32_helpers=$root/build-win64/bin
  # What an earlier, failed run left in this throwaway prefix goes first.
  installer_wine reg delete "$installer_key" /f >/dev/null 2>&1 || true
  rm -rf "$installer_dir" "$installer_menu" "${user_ini%/*}"
  installer_wine reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$installer_user_path" /f >/dev/null 2>&1 ||
    fail "installer: the user's PATH could not be set"
  installer_run
  # Over an installed one: the programs are replaced, the user's files in the folder stay.
  echo mine >"$installer_dir/bin/notes.txt"
  : >"$installer_dir/bin/morvel.exe"
  installer_run
  [ "$(cat "$installer_dir/bin/notes.txt")" = mine ] || fail "installer: a second run lost the user's file"
  say "win64 installer: files, Start menu links, Apps entry and PATH in place, once after two runs"

  # zm32 through its Start menu link, on the port the user's settings name.
  mkdir -p "${user_ini%/*}"
  printf '[zm32]\r\nport=COM%s\r\n' "$zmcli_port" >"$user_ini"
  zmcli_promsim "$work/ports/installer-memory.bin"
  port_leads_to_promsim "$zmcli_port"
  installer_wine start 'C:\users\'"$installer_user"'\AppData\Roaming\Microsoft\Windows\Start Menu\Programs\zmtools\zm32.lnk' \
    >"$work/installer-start.log" 2>&1 || true
  zm32_wait "no window from the Start menu link ($(cat "$work/installer-start.log"))" 60 zm32_x_window_there 'zm32:uhj'
  zm32_wait "the port did not open" 10 zm32_said 1002
  [ "$(zm32_text)" = 'C:\users\'"$installer_user"'\AppData\Roaming\zmtools\zm32.ini (zm32:uhj zmhwcomm.dll:uhk)' ] ||
    fail "installer: zm32 from the link has the caption '$(zm32_text)'"
  answers=$(zm32_text 1001 | { grep -o Verify || true; } | wc -l)
  zm32_keys 'zm32:uhj' type --delay 50 V
  zm32_wait "no answer to V in zm32 from the link" 10 zm32_answers_over "$answers"
  zm32_exit

  # The uninstaller as the Apps list starts it: it runs from a copy, so its end is polled for.
  installer_wine "$installer_dir/Uninstall.exe" /S >/dev/null 2>&1 || true
  for _ in $(seq 300); do installer_gone && break; sleep 0.1; done
  installer_gone || fail "installer: the uninstaller left Uninstall.exe or the Apps entry"
  for f in "${zip_files[@]}"; do [ ! -e "$installer_dir/$f" ] || fail "installer: the uninstaller left $f"; done
  [ "$(cd "$installer_dir" && find . | sort | xargs)" = ". ./bin ./bin/notes.txt" ] ||
    fail "installer: the uninstaller left $(cd "$installer_dir" && find . | xargs)"
  [ ! -e "$installer_menu" ] || fail "installer: the uninstaller left the Start menu folder"
  f=$(installer_value Path "$(installer_query 'HKCU\Environment' /v Path)")
  [ "$f" = "REG_EXPAND_SZ $installer_user_path" ] || fail "installer: after the uninstall the user's PATH is '$f'"
  [ "$(tr -d '\r' <"$user_ini")" = "$(printf '[zm32]\nport=COM%s' "$zmcli_port")" ] ||
    fail "installer: the uninstaller changed the user's zm32.ini"
  rm -rf "$installer_dir" "${user_ini%/*}"
  say "win64 installer: zm32 from its link answers V; the uninstaller took its own and left the user's"
}
