#!/usr/bin/env bash
# Runs one build's tests under Wine, on a virtual display and a wineserver
# of its own, so the two builds' suites can run side by side:
#   scripts/run-suite.sh x86|x64 [ctest arguments, e.g. -R test_app]
# Builds nothing; BUILD=<folder> as for scripts/build.sh.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${BUILD:-build}
arch=${1:?usage: $0 x86|x64 [ctest arguments]}
shift
VT_ARCH=$arch VT_PREFIX="$ROOT/$BUILD/$arch/wineprefix"
. scripts/wine-env.sh
vt_require_commands || exit 1
vt_prepare_prefix || exit 1

suite_body() {
  vt_start_wineserver
  # Wine ends a desktop a second after its last program; a test program
  # started in that second gets no window. One program that stays keeps it.
  local ready="$ROOT/$BUILD/$arch/tests/desktop_keeper.ready" i
  rm -f "$ready"
  "$WINE" "$ROOT/$BUILD/$arch/tests/desktop_keeper.exe" "Z:${ready//\//\\}" \
    </dev/null >/dev/null 2>&1 &
  for i in $(seq 600); do [ -f "$ready" ] && break; sleep 0.1; done
  [ -f "$ready" ] || echo "run-suite: the desktop keeper did not start; test programs may meet a closing desktop" >&2
  # The tests that pick a language put the value back when they end; a run
  # cut short leaves it, and the next would start in that language.
  local view
  for view in 32 64; do
    "$WINE64" reg delete 'HKCU\Software\Dizaz\Velotune' /v Languages /f /reg:$view </dev/null >/dev/null 2>&1 || true
  done
  # Likewise the test switches beside the test programs (each test puts
  # back what it found, so a leftover would outlive every later run).
  rm -f "$ROOT/$BUILD/$arch/tests/"*.switches.ini
  # Tests of one build share its test folder and take turns (a resource
  # lock); -j2 lets the ones with a session of their own run beside them.
  ctest --test-dir "$ROOT/$BUILD/$arch" --output-on-failure -j2 --timeout 300 "$@"
  local rc=$?
  vt_stop_wineserver
  return $rc
}
vt_with_display suite_body "$@"
