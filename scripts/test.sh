#!/usr/bin/env bash
# make test: set-up, both builds, every test under Wine on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
# Both setup programs, every run; test_installer runs the x64 one.
scripts/installer.sh --no-build
BUILD=${BUILD:-build}
VT_PREFIX="$PWD/$BUILD/x64/wineprefix"
. scripts/wine-env.sh
vt_prepare_prefix
# One wineserver for the whole run; one virtual display for every test.
export WINE
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  # Start the server and its service processes detached from our output:
  # anything Wine spawns inherits the pipes of the program that started it,
  # and CTest waits for its pipes to close.
  wineserver -p </dev/null >/dev/null 2>&1
  "$WINE" wineboot </dev/null >/dev/null 2>&1
  ctest --test-dir "'"$BUILD"'/x64" --output-on-failure -j2 --timeout 300
  rc=$?
  wineserver -k || true
  exit $rc'
