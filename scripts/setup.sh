#!/usr/bin/env bash
# Installs what building and testing need, once; a second run does nothing.
set -euo pipefail
packages=(cmake make g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          googletest wine64 xvfb xauth fonts-wine fonts-wqy-microhei
          x11-apps imagemagick nsis)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
