#!/usr/bin/env bash
# Installs every Debian package that building, testing and benchmarking need, or, given
# package names (scripts/windows.sh), just those. Quick when they are all there already.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config          # build
  qt6-base-dev                              # zm32's windows (Qt Widgets, Qt Test)
  libgtest-dev libgmock-dev                 # unit and widget tests
  libcli11-dev                              # zmcli's subcommands and long options
  fonts-dejavu-core                         # a font for the panes, so layouts are alike everywhere
  xvfb x11-apps imagemagick xdotool openbox # screenshots of the running window
  binutils srecord                          # objcopy and srec_cat as test oracles
  clang libclang-rt-14-dev                  # libFuzzer targets
  hyperfine time                            # benchmarks
  at-spi2-core dbus-daemon python3-pyatspi  # the accessibility walk of the window (bench)
  dpkg-dev file lintian desktop-file-utils man-db debootstrap  # the Debian package and its checks
)
[ $# -eq 0 ] || packages=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -o DPkg::Lock::Timeout=600 -y -qq --no-install-recommends "${missing[@]}" >/dev/null
