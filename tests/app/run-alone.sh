#!/usr/bin/env bash
# CTest's command for the tests that need a Wine session of their own:
#   run-alone.sh [--logpixels N] <build>/<arch> <test program> [gtest arguments]
# Wine's stand-alone tray stops passing button clicks to a new icon once an
# earlier program's icon has come and gone in the same session, so the tray
# icon test gets a fresh prefix, wineserver and display. So do the display
# scale tests (--logpixels): the prefix's DPI is read when a session starts.
set -uo pipefail
logpixels=""
if [ "$1" = --logpixels ]; then
  logpixels=$2
  shift 2
fi
arch_build=$(cd "$1" && pwd)
test_exe=$2
shift 2
root=$(cd "$(dirname "$0")/../.." && pwd)
work="$arch_build/tray-alone"
# One folder per scale and test program: two programs' sessions at the same
# scale may run side by side, and each empties its folder when it starts.
[ -z "$logpixels" ] || work="$arch_build/dpi-$logpixels-$(basename "$test_exe" .exe)"
rm -rf "$work"
mkdir -p "$work"
VT_PREFIX="$work/prefix"
VT_ARCH=$(basename "$arch_build")
. "$root/scripts/wine-env.sh"
if [ -n "$logpixels" ]; then
  export VT_LOGPIXELS=$logpixels VELOTUNE_TEST_DPI=$logpixels
  # A screen as much larger as its scale, as a laptop's at 150 or 200 %.
  export VT_SCREEN="$((1280 * logpixels / 96))x$((1024 * logpixels / 96))"
fi
vt_run_test_alone 280 "$work" "$work" "$test_exe" "$@"
