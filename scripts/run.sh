#!/usr/bin/env bash
# make run [ARCH=x86|x64]: builds the program and starts it from its dist
# folder under Wine, on the simulated processor. x86 by default: it is the
# build users get, natively or under emulation, unless 32-bit programs
# cannot run here at all.
set -euo pipefail
cd "$(dirname "$0")/.."
# The set-up first: where the kernel runs no 32-bit program it brings the
# x86 side up under emulation if it can.
scripts/setup.sh
if [ -z "${ARCH:-}" ]; then
  ARCH=x86
  if ! scripts/can-run-x86.sh; then
    ARCH=x64
    echo "32-bit programs do not run here (scripts/x86-side.sh says why): starting the x64 build."
  fi
fi
case $ARCH in x86|x64) ;; *) echo "ARCH must be x86 or x64, not $ARCH" >&2; exit 2 ;; esac
if [ "$ARCH" = x86 ] && ! scripts/can-run-x86.sh; then
  echo "32-bit programs do not run here (scripts/x86-side.sh says why); make run ARCH=x64 starts the 64-bit build." >&2
  exit 1
fi
TARGETS=$ARCH scripts/build.sh
BUILD=${BUILD:-build}
VT_ARCH=$ARCH VT_PREFIX="$PWD/$BUILD/$ARCH/wineprefix"
. scripts/wine-env.sh
vt_require_commands
vt_prepare_prefix
dist="$PWD/$BUILD/$ARCH/dist"
cd "$dist"
if [ -z "${DISPLAY:-}" ]; then
  echo "No X display: starting a virtual one (Xvfb). The window is not visible here;"
  echo "see $dist/log/Velotune.log for what the program did."
  vt_with_display "$WINE" "$dist/Velotune.exe" "$@"
  exit $?
fi
exec "$WINE" "$dist/Velotune.exe" "$@"
