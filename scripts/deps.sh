#!/usr/bin/env bash
# Installs the Debian packages the game needs to build and run ("play") or to
# build and pass its tests ("test", a superset). Uses sudo when not root.
set -euo pipefail
what=${1:-play}
pkgs=(build-essential cmake pkg-config libsdl2-dev libfreetype-dev libfontconfig-dev
      libpng-dev fontconfig fonts-liberation2 xdg-utils)
if [ "$what" = test ]; then
  pkgs+=(libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth xdotool x11-xkb-utils
         imagemagick x11-utils python3)
fi
# The help compiler is optional: without it the help ships as HTML only.
optional=(fp-utils-3.2.2)
missing=()
for p in "${pkgs[@]}" "${optional[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${pkgs[@]}"
$sudo apt-get install -y -qq --no-install-recommends "${optional[@]}" || true
