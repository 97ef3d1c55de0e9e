#!/usr/bin/env bash
# Installs what building and testing need, once; a second run does nothing.
# The x86 build (the one users get) runs under WoW64, which needs Debian's
# i386 architecture and wine32:i386 beside wine64.
set -euo pipefail
packages=(cmake make g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          googletest wine64 xvfb xauth fonts-wine fonts-wqy-microhei
          x11-apps x11-utils xdotool imagemagick nsis procps python3 ccache
          osslsigncode openssl msitools wixl python3-yaml)
# A kernel without IA-32 emulation runs no 32-bit program, Wine's 32-bit
# loader included: there scripts/x86-side.sh brings the x86 side up under
# user-mode emulation where it can, and says in one line how x86 runs. Where
# it cannot, the x86 build is built but not run (scripts/test.sh says so),
# and neither i386 nor wine32 is of any use.
x86=1
"$(dirname "$0")/x86-side.sh" || x86=0
[ $x86 -eq 1 ] && packages+=(wine32:i386)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
need_update=0
if [ $x86 -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "Adding the i386 architecture (for the x86 build under WoW64)"
  $sudo dpkg --add-architecture i386
  need_update=1
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync fails one index now and then ("File has
# unexpected size"); it is whole again a little later. After the last try
# the install goes on with whatever indexes apt has, and fails by itself
# if a package is really missing.
for wait in 10 30 60 0; do
  $sudo apt-get update -q && break
  [ "$wait" -eq 0 ] && { echo "apt-get update failed; installing from the indexes at hand"; break; }
  echo "apt-get update failed; trying again in $wait s"
  sleep "$wait"
done
for wait in 30 0; do
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" && break
  [ "$wait" -eq 0 ] && exit 1
  echo "apt-get install failed; updating the indexes and trying again in $wait s"
  sleep "$wait"
  $sudo apt-get update -q || true
done
