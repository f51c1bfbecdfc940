#!/usr/bin/env bash
# Installs the Debian packages the game needs to build and run ("play"), to
# build and pass its tests ("test", a superset), or to cross-build the Windows
# game and its packages and test them under Wine beside the Linux build
# ("windows", also a superset of "play"). Uses sudo when not root; without
# sudo it names the packages to install as root.
set -euo pipefail
what=${1:-play}
pkgs=(build-essential cmake pkg-config libsdl2-dev libfreetype-dev libfontconfig-dev
      libpng-dev libxlsxwriter-dev fontconfig fonts-liberation2 xdg-utils)
if [ "$what" = test ]; then
  pkgs+=(libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth xdotool x11-xkb-utils
         imagemagick x11-utils python3 unzip desktop-file-utils appstream lintian dpkg-dev
         openssh-server sshfs)
fi
if [ "$what" = windows ]; then
  pkgs+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
         binutils-mingw-w64-x86-64 nsis wine64 wine zip unzip dpkg-dev fp-utils-3.2.2 libgtest-dev
         xvfb xauth x11-utils x11-xkb-utils xdotool imagemagick python3)
fi
# The help compiler is optional and only for the tests (which check the
# compiled help): a desktop rarely opens compiled help, and without it the
# help ships as HTML only, so playing does not need its tool chain.
optional=()
[ "$what" = test ] && optional=(fp-utils-3.2.2)
absent() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}
mapfile -t missing < <(absent "${pkgs[@]}")
mapfile -t missing_optional < <(absent "${optional[@]+"${optional[@]}"}")
[ ${#missing[@]} -eq 0 ] && [ ${#missing_optional[@]} -eq 0 ] && exit 0
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    [ ${#missing[@]} -eq 0 ] && exit 0  # only optional ones: go on without them
    echo "These Debian packages are missing: ${missing[*]}" >&2
    echo "Install them as root, then run this again:" >&2
    echo "  apt-get install --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
[ ${#missing[@]} -eq 0 ] || $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
[ ${#missing_optional[@]} -eq 0 ] ||
  $sudo apt-get install -y -qq --no-install-recommends "${missing_optional[@]}" || true
