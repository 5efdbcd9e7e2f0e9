#!/usr/bin/env bash
# Builds zmhwcomm.dll, zmcli.exe, zmimage.exe, dabrix.exe and morvel.exe for 64-bit and 32-bit Windows with mingw-w64
# into build-win64/ and build-win32/, each with its zmtools-winNN.zip (bin/, include/, lib/,
# examples/, README.txt, LICENSE.txt), and proves them:
#  - each zip holds exactly its files, the text files with CR LF;
#  - the DLL exports exactly the eight undecorated names and the five extensions, every binary
#    imports only KERNEL32.dll and msvcrt.dll (zmcli.exe and zm32.exe also ADVAPI32.dll,
#    SETUPAPI.dll and zmhwcomm.dll, zm32.exe the system's window DLLs too) and carries a version
#    resource with the project's version; zm32.exe is at most 1.5 MB;
#  - from the unpacked zip alone, the example builds with the header and the MinGW import
#    library, and lld-link links a caller against zmhwcomm.lib as Microsoft's linker would;
#  - under wine, the converters and zmimage give the Linux builds' files, statuses and messages on a table
#    of inputs (console lines may end with CR LF there);
#  - under wine, a C caller of the DLL, linked against its import library and bound by name,
#    waits on the line, sends a file to promsim and reads it back, on COM1 and on COM12, and
#    every call refuses handles that are no open port; the example gets the prompt;
#  - zmcli.exe as the Linux zmcli (scripts/windows-zmcli.sh), and zm32.exe's window in-process
#    and driven from outside on a virtual display (scripts/windows-zm32.sh), against promsim;
#  - the per-user installers zmtools-<version>-setup-x64.exe and -x86.exe import only system DLLs
#    and carry the version; the x64 one installs, reinstalls and uninstalls silently under wine
#    (scripts/windows-installer.sh).
# `scripts/windows.sh build` stops after the builds, zips and installers (and their checks);
# `scripts/windows.sh checks` then takes them as they are and checks them again and under wine.
# scripts/test.sh builds so while a suite runs.
# The 32-bit programs run under Debian's wine32, natively or under qemu-i386 where the kernel
# runs no 32-bit programs (see run32 below); ZM_WINE32=0 leaves them out. Either way the i686
# exports' calling convention is checked in the disassembly.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
mode=${1:-all}
case $mode in all | build | checks) ;; *) echo "usage: scripts/windows.sh [build | checks]" >&2; exit 2 ;; esac
started=$(date +%s%N)
say() { echo "windows: $* ($((($(date +%s%N) - started) / 1000000)) ms)"; }
fail() {
  echo "windows: FAIL: $*" >&2
  exit 1
}
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

bash scripts/setup.sh
# llvm: llvm-dlltool makes zmhwcomm.lib; lld: lld-link, a linker on Microsoft's terms, proves it;
# nsis: makensis makes the installers.
bash scripts/setup.sh mingw-w64 wine wine64 llvm lld nsis
# Whether this kernel runs 32-bit programs at all: a three-instruction i386 program tells,
# before wine32 is installed for nothing.
runs_32bit() {
  local t
  t=$(mktemp -d)
  printf '.globl _start\n_start: movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' >"$t/exit.s"
  as --32 -o "$t/exit.o" "$t/exit.s" && ld -m elf_i386 -o "$t/exit" "$t/exit.o" && "$t/exit" 2>/dev/null
  local rc=$?
  rm -rf "$t"
  return $rc
}
# qemu-user 10 or later, from bookworm-backports on Debian 12: with its own 7.2 one 32-bit wine
# process took about 50 s when tried, with 10.0 it takes one to three seconds.
qemu_major() { qemu-i386 --version 2>/dev/null | sed -n '1s/^qemu-i386 version \([0-9]*\).*/\1/p'; }
qemu_ready() {
  [ "$(qemu_major)" -ge 10 ] 2>/dev/null && return 0
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ "$codename" = bookworm ]; then
    grep -rqs '^[^#]*bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/ ||
      printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' |
      as_root tee /etc/apt/sources.list.d/zmtools-backports.sources >/dev/null
    echo "windows: installing qemu-user from bookworm-backports"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -o DPkg::Lock::Timeout=600 -y -qq \
      --no-install-recommends -t bookworm-backports qemu-user >/dev/null
  else
    bash scripts/setup.sh qemu-user
  fi
  [ "$(qemu_major)" -ge 10 ] 2>/dev/null
}
# How the 32-bit programs run: under wine32 natively where the kernel runs 32-bit programs,
# else wine32's loader under qemu-i386's user-mode emulation, WINELOADERNOEXEC=1 keeping it from
# executing itself again through the kernel; the 64-bit ones always under the 64-bit loader,
# since Debian's wine command prefers the 32-bit one once wine32 is installed.
run_arches=(win64)
run32= skipped=
wine() { WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 "$@"; }
if [ "${ZM_WINE32:-1}" = 0 ]; then
  skipped="ZM_WINE32=0 leaves them out"
else
  dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
  if ! bash scripts/setup.sh wine32:i386; then
    skipped="wine32 could not be installed"
  elif runs_32bit; then
    run32=native
    wine32() { /usr/lib/wine/wine "$@"; }
  elif qemu_ready; then
    run32="qemu-i386 $(qemu_major)"
    wine32() { WINELOADERNOEXEC=1 qemu-i386 /usr/lib/wine/wine "$@"; }
  else
    skipped="this kernel runs no 32-bit programs and no qemu-user 10 or later could be installed"
  fi
fi
run_on() { if [ "$1" = win32 ]; then wine32 "${@:2}"; else wine "${@:2}"; fi; }
say "packages ready"

# The Linux programs are the oracles and promsim the programmer.
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j2 --target dabrix morvel promsim zmhwcomm zmcli zmimage >build/windows-oracles.log ||
  { cat build/windows-oracles.log; fail "Linux build"; }

declare -A cpu=([win64]=x86_64 [win32]=i686)
# The console programs in the zips' bin/ beside zmhwcomm.dll; a program added here is checked
# for its place in the zip, its imports and its version resource.
programs=(zmcli zmimage dabrix morvel zm32)
zip_files=(LICENSE.txt README.txt bin/zmhwcomm.dll bin/zm32.txt bin/zm32ini.txt examples/zmhwcomm_example.c
  include/zmhwcomm.h lib/libzmhwcomm.dll.a lib/zmhwcomm.def lib/zmhwcomm.lib)
for p in "${programs[@]}"; do zip_files+=("bin/$p.exe"); done
for arch in win64 win32; do
  [ "$mode" != checks ] || [ -f "build-$arch/zmtools-$arch.zip" ] || fail "$arch: no zip; run scripts/windows.sh build first"
  [ "$mode" != checks ] || continue
  dir=build-$arch stage=build-$arch/zmtools-$arch
  cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-${cpu[$arch]}.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DZM_BUILD_BENCH=OFF >/dev/null
  cmake --build "$dir" -j2 >"$dir/build.log" || { cat "$dir/build.log"; fail "$arch build"; }
  rm -rf "$stage" "$dir/zmtools-$arch.zip"
  cmake --install "$dir" --prefix "$stage" --strip >/dev/null
  (cd "$dir" && cmake -E tar cf "zmtools-$arch.zip" --format=zip "zmtools-$arch")
done
say "cross builds done"

# --- What the binaries export and import -------------------------------------------------
eight="zmhwClose zmhwOpen zmhwQ_CLEAR zmhwRX zmhwRXQ zmhwTX zmhwTXQ zmotla"
# With the extensions: what to wait on, the last failure's cause, a port's device and a device's
# port, the program's map.
exported="zmhwClose zmhwERROR zmhwLINE zmhwMAP zmhwNUMBER zmhwOpen zmhwPORT zmhwQ_CLEAR zmhwRX zmhwRXQ zmhwTX zmhwTXQ zmotla"
# The project's version as the resources give it: text as written, and four numbers.
version=$(sed -n 's/^project(zmtools VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
IFS=. read -ra numbers <<<"$version.0.0.0"
file_version="${numbers[0]}, ${numbers[1]}, ${numbers[2]}, 0"
# On i686 each export, disassembled from its export-table entry, returns popping four bytes per
# 32-bit argument (__stdcall); zmotla, a C call, with a plain ret.
declare -A stack_bytes=([zmhwOpen]=28 [zmhwClose]=4 [zmhwTX]=8 [zmhwRX]=4 [zmhwRXQ]=4 [zmhwTXQ]=4
  [zmhwQ_CLEAR]=4 [zmotla]=0 [zmhwLINE]=8 [zmhwERROR]=12 [zmhwPORT]=12 [zmhwMAP]=8 [zmhwNUMBER]=12)
stdcall_checked() { # dll, its objdump -p
  local base name index rva at ret popped
  local -A rva_of
  base=$(awk '$1 == "ImageBase" {print $2}' <<<"$2")
  while read -r index rva; do rva_of[$index]=$rva; done < <(sed -n '/^Export Address Table -- /,/^$/p' <<<"$2" |
    sed -n 's/^\t\[ *\([0-9]*\)\] +base\[ *[0-9]*\] \([0-9a-f]*\) Export RVA$/\1 \2/p')
  while read -r index name; do
    rva=${rva_of[$index]:-} && [ -n "$rva" ] || fail "win32: $name has no entry in the export address table"
    at=$((0x$base + 0x$rva))
    ret=$(i686-w64-mingw32-objdump -d --no-show-raw-insn --start-address=$at --stop-address=$((at + 4096)) "$1" |
      grep -m1 -P '\tret' || true)
    [ -n "$ret" ] || fail "win32: no ret in the 4 kB from $name's entry"
    popped=$(sed -n 's/.*\tret *\$0x\([0-9a-f]*\).*/\1/p' <<<"$ret")
    popped=$((0x${popped:-0}))
    [ "$popped" = "${stack_bytes[$name]}" ] ||
      fail "win32: $name returns with '$(xargs <<<"${ret##*:}")', popping $popped bytes, not ${stack_bytes[$name]}"
  done < <(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$2" | sed -n 's/^\t\[ *\([0-9]*\)\] \(.*\)$/\1 \2/p')
}
resource_value() { sed -n "s/^ *VALUE \"$1\", \"\\(.*\\)\"\r\\?$/\\1/p"; }
for arch in win64 win32; do
  objdump=${cpu[$arch]}-w64-mingw32-objdump stage=build-$arch/zmtools-$arch
  # The zip holds exactly its files, and a tree unpacked from it is what the checks below use.
  listed=$(cmake -E chdir "build-$arch" cmake -E tar tf "zmtools-$arch.zip" | grep -v '/$' | sort | xargs)
  want=$(printf "zmtools-$arch/%s\n" "${zip_files[@]}" | sort | xargs)
  [ "$listed" = "$want" ] || fail "$arch: the zip holds '$listed'"
  rm -rf "build-$arch/unzipped" && mkdir "build-$arch/unzipped"
  cmake -E chdir "build-$arch/unzipped" cmake -E tar xf "../zmtools-$arch.zip"
  unzipped=build-$arch/unzipped/zmtools-$arch
  for f in README.txt LICENSE.txt; do
    [ -z "$(grep -v $'\r$' "$unzipped/$f")" ] || fail "$arch: $f has lines without CR LF"
  done
  tr -d '\r' <"$unzipped/LICENSE.txt" | cmp -s - LICENSE || fail "$arch: LICENSE.txt is not LICENSE"
  echo "  $arch zip: $(stat -c %s "build-$arch/zmtools-$arch.zip") bytes;" \
    "$(cd "$unzipped" && for f in bin/* lib/*; do printf '%s %s, ' "$f" "$(stat -c %s "$f")"; done | sed 's/, $//')"
  dll=$($objdump -p "$stage/bin/zmhwcomm.dll")
  exports=$(echo "$dll" | sed -n '/Ordinal\/Name Pointer/,/^$/p' |
    grep -P '^\t\[\s*\d+\] ' | awk '{print $NF}' | sort | xargs)
  [ "$exports" = "$exported" ] || fail "$arch: zmhwcomm.dll exports '$exports'"
  grep -qP '^Name .* zmhwcomm\.dll$' <<<"$dll" || fail "$arch: export table names no zmhwcomm.dll"
  [ "$arch" != win32 ] || stdcall_checked "$stage/bin/zmhwcomm.dll" "$dll"
  # Each binary imports only the system's DLLs, and its version resource (Explorer's Properties),
  # read back by windres, names the product, the file and the project's version.
  for f in "$stage"/bin/*.exe "$stage"/bin/*.dll; do
    name=$(basename "$f")
    # DLL names in any case, as Windows takes them (the i686 import libraries write some in capitals).
    imports=$($objdump -p "$f" | awk '/DLL Name:/ {print tolower($3)}' | LC_ALL=C sort | xargs)
    expected="kernel32.dll msvcrt.dll"
    # zmcli and zm32 list the serial ports through SetupAPI and the registry (ADVAPI32).
    [ "$name" != zmcli.exe ] || expected="advapi32.dll kernel32.dll msvcrt.dll setupapi.dll zmhwcomm.dll"
    # The window: the system's window, drawing, common controls and dialogs, and the shell's
    # command-line splitter.
    [ "$name" != zm32.exe ] ||
      expected="advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll setupapi.dll shell32.dll user32.dll zmhwcomm.dll"
    [ "$name" != zm32.exe ] || [ "$(stat -c %s "$f")" -le $((1536 * 1024)) ] ||
      fail "$arch: zm32.exe is $(stat -c %s "$f") bytes stripped, more than 1.5 MB"
    [ "$imports" = "$expected" ] || fail "$arch: $name imports '$imports'"
    rc=$(${cpu[$arch]}-w64-mingw32-windres -J coff -O rc -i "$f" 2>&1) || fail "$arch: $name: no resources ($rc)"
    want="ProductName=zmtools FileVersion=$version ProductVersion=$version OriginalFilename=$name" got=
    for key in ProductName FileVersion ProductVersion OriginalFilename; do
      got+="${got:+ }$key=$(resource_value "$key" <<<"$rc")"
    done
    [ "$got" = "$want" ] || fail "$arch: $name's version resource says '$got'"
    description=$(resource_value FileDescription <<<"$rc")
    [[ $description == "${name%.*}: "?* ]] || fail "$arch: $name's description is '$description'"
    grep -q "^ *FILEVERSION $file_version\r\\?$" <<<"$rc" || fail "$arch: $name's FILEVERSION is not $file_version"
  done
  # Callers compiled with the header ask zmhwcomm.dll for the plain names: port_check linked by
  # the build; from the unpacked tree alone, the example built with the MinGW import library and
  # a caller of all eight linked by lld-link against zmhwcomm.lib as Microsoft's linker links it.
  (cd "$unzipped" && ${cpu[$arch]}-w64-mingw32-gcc -std=c99 -Wall -Wextra -Werror -Iinclude \
    examples/zmhwcomm_example.c -Llib -lzmhwcomm -o bin/zmhwcomm_example.exe) || fail "$arch: the example does not build"
  cat >"build-$arch/unzipped/all_eight.c" <<'EOF'
#include "zmhwcomm.h"
int __stdcall all_eight(void)
{
    intptr_t h = 0;
    return zmhwOpen(&h, 1, 9600, 8, 0, 'N', 0) + zmhwTX(h, 'V') + zmhwRX(h) + zmhwRXQ(h) + zmhwTXQ(h) +
           zmhwQ_CLEAR(h) + zmhwClose(&h) + *zmotla();
}
EOF
  ${cpu[$arch]}-w64-mingw32-gcc -O1 -c -I"$unzipped/include" "build-$arch/unzipped/all_eight.c" \
    -o "build-$arch/unzipped/all_eight.o"
  (cd "build-$arch/unzipped" && lld-link /nologo /nodefaultlib /safeseh:no /entry:all_eight /subsystem:console \
    /out:all_eight.exe all_eight.o "zmtools-$arch/lib/zmhwcomm.lib") || fail "$arch: lld-link with zmhwcomm.lib"
  for caller in "build-$arch/bin/port_check.exe:$exported" "build-$arch/unzipped/all_eight.exe:$eight" \
    "$unzipped/bin/zmhwcomm_example.exe:zmhwClose zmhwOpen zmhwQ_CLEAR zmhwRX zmhwTX zmotla"; do
    bound=$($objdump -p "${caller%%:*}" |
      awk '/DLL Name:/ {dll = $3; next} dll == "zmhwcomm.dll" && NF == 3 && $2 ~ /^[0-9]+$/ {print $3}' | sort | xargs)
    [ "$bound" = "${caller#*:}" ] || fail "$arch: $(basename "${caller%%:*}") imports '$bound' from zmhwcomm.dll"
  done
  defined=$(sed -n '/^EXPORTS/,$ s/^ \+\([A-Za-z_]*\)\(@[0-9]*\)\? *$/\1/p' "$unzipped/lib/zmhwcomm.def" | sort | xargs)
  [ "$defined" = "$exported" ] || fail "$arch: zmhwcomm.def lists '$defined'"
done
say "exports, imports and version resources checked on win64 and win32"

# --- The installers, made from the zips' trees ----------------------------------------------
source scripts/windows-installer.sh
for arch in win64 win32; do
  [ "$mode" = checks ] || installer_build "$arch"
  installer_imports_checked "$arch"
  echo "  $arch installer: $(basename "$(installer_path "$arch")") $(stat -c %s "$(installer_path "$arch")") bytes"
done
say "installers made, their imports and version resources checked"
[ "$mode" != build ] || exit 0

# --- wine: a throwaway prefix in the build tree, COM ports only where they lead to promsim ----
export WINEPREFIX=$root/build-win64/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
prefix_kind="32-bit: ${run32:-none}"
if [ "$(cat "$WINEPREFIX/.zmtools" 2>/dev/null)" != "$prefix_kind" ]; then
  [ ! -d "$WINEPREFIX" ] || wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  WINEARCH=win64 wine wineboot -i >/dev/null 2>&1 || fail "wineboot"
  wineserver -w
  # The 32-bit system folder is filled by a 32-bit program that the 64-bit wineboot cannot start
  # where the kernel runs none: links to wine32's own DLLs stand in for the copies it makes.
  [[ $run32 != qemu* ]] ||
    cp -sn /usr/lib/i386-linux-gnu/wine/i386-windows/* "$WINEPREFIX/drive_c/windows/syswow64/"
  echo "$prefix_kind" >"$WINEPREFIX/.zmtools"
fi
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
# wine without a working 32-bit loader exits 0 and prints nothing: only the output tells.
if [ -n "$run32" ]; then
  usage=$(wine32 "$root/build-win32/zmtools-win32/bin/morvel.exe" 2>&1 | tr -d '\r' || true)
  if [[ $usage == "morvel bin_input_file "* ]]; then
    run_arches+=(win32)
  else
    skipped="wine32 under $run32 printed '${usage:0:200}' for morvel's usage"
  fi
fi
say "wine prefix ready (32-bit programs: ${run32:-not run})"

work=$root/build-win64/checks
rm -rf "$work"
mkdir -p "$work/ports" "$work/in"
ports=(1 12)
for n in "${ports[@]}"; do
  build/bin/promsim --link "$work/ports/com$n" --size 200 --upload-delay 100 >"$work/ports/com$n.out" 2>&1 &
  pids+=($!)
done
for n in "${ports[@]}"; do
  for _ in $(seq 50); do [ -s "$work/ports/com$n.out" ] && [ -L "$work/ports/com$n" ] && break; sleep 0.1; done
done
{
  echo REGEDIT4
  echo
  echo '[HKEY_LOCAL_MACHINE\Software\Wine\Ports]'
  for n in "${ports[@]}"; do echo "\"COM$n\"=\"$work/ports/com$n\""; done
} >"$work/ports/ports.reg"
# One server for the whole run, so that no wine start pays for its own.
restart_server() {
  wineserver -k 2>/dev/null || true
  wineserver -w
  wineserver -p >/dev/null 2>&1
}
restart_server
(cd "$work/ports" && wine reg import ports.reg >/dev/null 2>&1) || fail "wine reg import"
links_right() {
  for n in "${ports[@]}"; do [ "$(readlink "$WINEPREFIX/dosdevices/com$n")" = "$work/ports/com$n" ] || return 1; done
}
# The mount manager makes the dosdevices links from the registry when the server starts.
if ! links_right; then
  restart_server
  wine cmd /c exit >/dev/null 2>&1
fi

# Before a byte is sent on COMn: the registry, the dosdevices link and promsim's link all
# lead to the pseudo-terminal that promsim printed, never to a real serial device.
mapping=$(wine reg query 'HKLM\Software\Wine\Ports' 2>/dev/null | tr -d '\r')
for n in "${ports[@]}"; do
  mapped=$(sed -n "s/^ *COM$n *REG_SZ *//p" <<<"$mapping")
  [ "$mapped" = "$work/ports/com$n" ] || fail "COM$n is mapped to '$mapped' in wine's registry"
done
port_leads_to_promsim() {
  local n=$1 link=$work/ports/com$1 pty
  pty=$(tail -n 1 "$work/ports/com$n.out")
  [ "$(readlink "$WINEPREFIX/dosdevices/com$n")" = "$link" ] || fail "wine's com$n does not lead to $link"
  [[ $pty =~ ^/dev/pts/[0-9]+$ ]] || fail "promsim on COM$n printed '$pty'"
  [ "$(readlink -f "$link")" = "$pty" ] || fail "$link does not lead to promsim's $pty"
}

# --- The serial library under wine, with the Linux build's figures beside it -----------------
head -c 300 /dev/urandom >"$work/ports/data.bin"
build/bin/morvel "$work/ports/data.bin" "$work/ports/data.hex"
cc -std=gnu99 -Wall -Wextra -Werror -Iseriallink/include tests/windows/port_check.c -o "$work/port_check" \
  -Lbuild/bin -lzmhwcomm -Wl,-rpath,"$root/build/bin"
figures() { grep '^figure' | awk '{printf "%s=%s ", $2, $3}'; }
port_leads_to_promsim 1
out=$(cd "$work/ports" && ZMHW_COM1=$work/ports/com1 "$work/port_check" 1 data.hex data.bin) ||
  fail "linux port_check on COM1"
echo "  linux port_check COM1: $(figures <<<"$out")"
for arch in "${run_arches[@]}"; do
  # The callers beside the DLL as shipped in the zip.
  callers=$work/$arch-callers
  mkdir -p "$callers"
  cp "build-$arch/bin"/port_check*.exe "build-$arch/zmtools-$arch/bin/zmhwcomm.dll" "$callers/"
  for caller in port_check port_check_byname; do
    for n in "${ports[@]}"; do
      port_leads_to_promsim "$n"
      out=$(cd "$work/ports" && run_on "$arch" "$callers/$caller.exe" "$n" data.hex data.bin 2>&1 | tr -d '\r') ||
        { echo "$out"; fail "$arch $caller on COM$n"; }
      echo "  $arch $caller COM$n: $(figures <<<"$out")"
    done
  done
done
# The example as a user builds it from the zip, run beside the zip's DLL: the prompt comes.
for arch in "${run_arches[@]}"; do
  port_leads_to_promsim 1
  out=$(cd "$work/ports" && run_on "$arch" "$root/build-$arch/unzipped/zmtools-$arch/bin/zmhwcomm_example.exe" 1 2>&1 |
    tr -d '\r') || { echo "$out"; fail "$arch: the example on COM1"; }
  [[ $out == "zmhwcomm uhk, COM1"$'\n'*$'\n>' ]] || { echo "$out"; fail "$arch: the example got no prompt"; }
done
say "serial library under wine on COM1 and COM12, the example on COM1 (${run_arches[*]})"

# --- zmcli.exe under wine against the Linux build's zmcli --------------------------------
source scripts/windows-zmcli.sh
for arch in "${run_arches[@]}"; do zmcli_checks "build-$arch/zmtools-$arch/bin"; done

# --- zm32.exe under wine on a virtual display, against promsim -------------------------------
source scripts/windows-zm32.sh
for arch in "${run_arches[@]}"; do zm32_checks "$arch"; done

# --- The x64 installer under wine: install, zm32 from its link, install again, uninstall ------
installer_checks

# --- The converters and zmimage under wine against the Linux builds ---------------------
in=$work/in
for n in 0 1 15 16 17 4095 65535 65536 65537; do head -c "$n" /dev/urandom >"$in/b$n.bin"; done
build/bin/morvel "$in/b65537.bin" "$in/crlf.hex"
tr -d '\r' <"$in/crlf.hex" >"$in/lf.hex"
tr -d '\n' <"$in/crlf.hex" >"$in/cr.hex"
{ head -n 20 "$in/crlf.hex"; printf '\032'; tail -n +21 "$in/crlf.hex"; } >"$in/ctrlz.hex"
{ head -n 3 "$in/crlf.hex"; printf ':10%0300d\r\nnot a record\r\n:0201000AAABB\r\n' 0; } >"$in/odd.hex"
srec_cat "$in/b4095.bin" -binary -o "$in/s1.s19" -motorola -address-length=2 2>/dev/null
srec_cat "$in/b4095.bin" -binary -offset 0x10000 -o "$in/s2.s28" -motorola -address-length=3 2>/dev/null
cases=(
  "morvel b0.bin o.hex" "morvel b1.bin o.hex" "morvel b15.bin o.hex" "morvel b16.bin o.hex"
  "morvel b17.bin o.hex" "morvel b4095.bin o.hex" "morvel b65535.bin o.hex"
  "morvel b65536.bin o.hex" "morvel b65537.bin o.hex"
  "morvel b4095.bin o.hex -o8000" "morvel b65537.bin o.hex -oFFF8" "morvel b17.bin o.hex -0"
  "morvel b17.bin o.hex -1" "morvel b17.bin o.hex -1 -0" "morvel -o10 b17.bin o.hex -o"
  "morvel" "morvel b1.bin" "morvel b1.bin o.hex x.hex" "morvel b1.bin o.hex -x" "morvel b1.bin o.hex -"
  "morvel b1.bin o.hex -O1" "morvel none.bin o.hex" "morvel b1.bin nodir/o.hex" "morvel b1.bin b1.bin"
  "dabrix crlf.hex o.bin" "dabrix lf.hex o.bin" "dabrix cr.hex o.bin" "dabrix ctrlz.hex o.bin"
  "dabrix odd.hex o.bin" "dabrix s1.s19 o.bin" "dabrix crlf.hex o.bin -o1000 -f00"
  "dabrix -f5A lf.hex o.bin -o" "dabrix /o100 /f0 lf.hex o.bin" "dabrix /o100 -x.hex o.bin"
  "dabrix" "dabrix lf.hex" "dabrix lf.hex o.bin x.bin" "dabrix lf.hex o.bin -x" "dabrix lf.hex o.bin -F00"
  "dabrix none.hex o.bin" "dabrix lf.hex nodir/o.bin" "dabrix lf.hex lf.hex" "dabrix s2.s28 o.bin"
  "zmimage info crlf.hex" "zmimage info s2.s28 --size 27C010" "zmimage convert crlf.hex o.bin"
  "zmimage convert b4095.bin o.s37 --start 1FFFF000" "zmimage convert s2.s28 o.hex --record-size 32"
  "zmimage split s2.s28 e.bin o.bin" "zmimage merge b16.bin b17.bin o.hex" "zmimage swap b17.bin o.bin --width 4"
  "zmimage fill s1.s19 o.bin --size 27C256" "zmimage move crlf.hex o.hex --by=-100" "zmimage convert odd.hex o.bin"
  "zmimage convert none.hex o.bin" "zmimage convert lf.hex nodir/o.bin" "zmimage convert b1.bin o.txt"
)
cp "$in/lf.hex" "$in/-x.hex"
# One run in a fresh folder holding the inputs it names: files, status, both streams.
run_case() { # where program-command args...
  local where=$1 program=$2
  shift 2
  mkdir -p "$where"
  for a in "$@"; do [ ! -f "$in/$a" ] || cp "$in/$a" "$where/"; done
  set +e
  (cd "$where" && "$program" "$@" >../"$(basename "$where").out" 2>../"$(basename "$where").err")
  echo $? >"$where.rc"
  set -e
}
wine_program() { run_on "$arch" "$root/build-$arch/zmtools-$arch/bin/$1.exe" "${@:2}"; }
linux_program() { "$root/build/bin/$1" "${@:2}"; }
for arch in "${run_arches[@]}"; do
  for i in "${!cases[@]}"; do
    read -ra words <<<"${cases[$i]}"
    run_case "$work/$arch/linux/$i" linux_program "${words[@]}"
    run_case "$work/$arch/wine/$i" wine_program "${words[@]}"
    for s in out err; do sed -zi 's/\r\n/\n/g' "$work/$arch/wine/$i.$s"; done
  done
  if ! differing=$(diff -rq "$work/$arch/linux" "$work/$arch/wine"); then
    echo "$differing" | head -20
    for i in "${!cases[@]}"; do
      [[ $differing != *"/linux/$i"[/.\ ]* ]] || echo "  differs: ${cases[$i]}"
    done
    fail "$arch: converters differ under wine (files in $work/$arch)"
  fi
done
say "${#cases[@]} converter cases alike under wine (${run_arches[*]})"
[ -z "$skipped" ] || say "skipped: the 32-bit programs under wine ($skipped)"
say "all Windows checks passed"
