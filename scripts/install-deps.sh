#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Quillmark need.
# Does nothing when they are all present already. Needs root (or sudo) otherwise.
set -euo pipefail

BUILD_PKGS=(build-essential cmake pkg-config
  libsdl2-dev libgl-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri
  libjpeg62-turbo-dev libpng-dev libopenal-dev libopenal1 libvorbis-dev libgtk-3-dev libx11-dev libxrandr-dev xfonts-base)
TEST_PKGS=(googletest libgtest-dev libgmock-dev xvfb xauth xdotool x11-xserver-utils
  unar imagemagick clang libclang-rt-14-dev python3 sox)

want=("${BUILD_PKGS[@]}")
if [ "${1:-}" = "--test" ]; then want+=("${TEST_PKGS[@]}"); fi

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
