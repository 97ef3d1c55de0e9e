#!/usr/bin/env bash
# make run [ARCH=x86|x64]: builds the program and starts it from its dist
# folder under Wine, on the simulated processor. x86 by default: it is the
# build users get.
set -euo pipefail
cd "$(dirname "$0")/.."
ARCH=${ARCH:-x86}
case $ARCH in x86|x64) ;; *) echo "ARCH must be x86 or x64, not $ARCH" >&2; exit 2 ;; esac
scripts/setup.sh
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
