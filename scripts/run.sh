#!/usr/bin/env bash
# make run: builds the x64 program and starts it from its dist folder under
# Wine, on the simulated processor.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
TARGETS=x64 scripts/build.sh
BUILD=${BUILD:-build}
VT_PREFIX="$PWD/$BUILD/x64/wineprefix"
. scripts/wine-env.sh
vt_prepare_prefix
dist="$PWD/$BUILD/x64/dist"
cmd=("$WINE" "$dist/Velotune.exe" "$@")
if [ -z "${DISPLAY:-}" ]; then
  echo "No X display: starting a virtual one (Xvfb). The window is not visible here;"
  echo "see $dist/log/Velotune.log for what the program did."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "${cmd[@]}"
fi
cd "$dist"
exec "${cmd[@]}"
