#!/usr/bin/env bash
# Installs what the build, the tests and the window need, from Debian's
# packages, and the packages named as arguments. Idempotent: does nothing
# when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libfmt-dev
  qt6-base-dev libgl-dev
  mdbtools
  nlohmann-json3-dev zlib1g-dev time
  xvfb xauth fonts-wqy-microhei xdotool imagemagick
  fonts-noto-cjk fonts-droid-fallback   # the window's layout with other CJK fonts
  dpkg-dev desktop-file-utils   # cpack -G DEB, and the install test
  help2man                      # attrdb's manual page
  appstream lintian xclip       # the package test: its checks, ComboBox1's items
)
# More packages for one script's own needs (fuzz/run.sh asks for clang).
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
