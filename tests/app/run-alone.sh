#!/usr/bin/env bash
# CTest's command for the tray icon click test:
#   run-alone.sh <build>/<arch> <test program> [gtest arguments]
# Wine's stand-alone tray stops passing button clicks to a new icon once an
# earlier program's icon has come and gone in the same session, so this test
# gets a session of its own: a fresh prefix, wineserver and display.
set -uo pipefail
arch_build=$(cd "$1" && pwd)
test_exe=$2
shift 2
root=$(cd "$(dirname "$0")/../.." && pwd)
work="$arch_build/tray-alone"
rm -rf "$work"
mkdir -p "$work"
VT_PREFIX="$work/prefix"
VT_ARCH=$(basename "$arch_build")
. "$root/scripts/wine-env.sh"
vt_run_in_own_session 280 "$work/output.txt" "$test_exe" "$@"
rc=$?
cat "$work/output.txt"
[ $rc -eq 0 ] && rm -rf "$work"
exit $rc
