#!/usr/bin/env bash
# CTest's command for test_installer:
#   run-in-own-prefix.sh <build>/<arch> <test program> [gtest arguments]
# Makes the build's own setup program if it is missing or older than the dist
# folder, then runs the test program in a Wine prefix created for this run
# only (the setup program writes Program Files, HKLM and the Start menu), on
# a virtual display of its own, with its own wineserver.
set -uo pipefail
arch_build=$(cd "$1" && pwd)
test_exe=$2
shift 2
arch=$(basename "$arch_build")
root=$(cd "$(dirname "$0")/../.." && pwd)

# Every setup program is a 32-bit program, whichever build it installs.
if ! "$root/scripts/can-run-x86.sh"; then
  echo "test_installer: skipped: the setup program is a 32-bit program and this machine's kernel runs no 32-bit program"
  exit 77
fi
BUILD=$(dirname "$arch_build") TARGETS=$arch "$root/scripts/installer.sh" --no-build --if-stale || exit 1

work="$arch_build/installer-test"
rm -rf "$work"
mkdir -p "$work/prefix"
# The MSI package under an older version number, for the upgrade and
# downgrade cases: the same files and list as the build's own package.
"$root/installer/make-msi.sh" "$arch" "$arch_build/dist" "$arch_build/installer/Velotune.files" \
  "$arch_build/msi/VelotuneMsi.dll" "$work/msi-older" "$work/Velotune-0.9.0.0-$arch.msi" 0.9.0.0 >"$work/msi-older.txt" 2>&1 ||
  { cat "$work/msi-older.txt"; exit 1; }
VT_PREFIX="$work/prefix"
VT_ARCH=$arch
. "$root/scripts/wine-env.sh"
export VELOTUNE_SOURCE_DIR="$root"

# The prefix is only for this run (about 700 MB).
vt_run_test_alone 840 "$work" "$work/prefix" "$test_exe" "$@"
