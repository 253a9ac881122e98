#!/usr/bin/env bash
# Installs the Debian packages Verdo needs to build, run and test, and any
# further packages named as arguments.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-base-private-dev qt6-qpa-plugins libqt6svg6
  libcurl4-openssl-dev libacl1-dev
  libgumbo-dev libharfbuzz-dev libfreetype-dev libfontconfig-dev fonts-liberation2 iso-codes
  libgtest-dev libgmock-dev
  python3 python3-html5lib openssl dbus dbus-bin
  xvfb xauth xdotool x11-utils
  librsvg2-bin desktop-file-utils appstream dpkg-dev file man-db lintian shared-mime-info
  time curl hyperfine
  clang libclang-rt-dev
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
