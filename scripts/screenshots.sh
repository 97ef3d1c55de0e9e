#!/usr/bin/env bash
# Retakes the README's screenshots, docs/velotune-100.png and -150.png: the
# built program (ARCH, default x86), in English, at 96 and 144 DPI, each in a Wine
# session of its own on a virtual display, once its first reading is shown;
# and docs/velotune-focus.png, at 96 DPI once keys have been typed (the
# focus ring shows from the first key press).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
ARCH=${ARCH:-x86}
BUILD=${BUILD:-build}
for cmd in import xwininfo xdotool; do
  command -v "$cmd" >/dev/null || { echo "Missing command: $cmd (imagemagick, x11-utils, xdotool)" >&2; exit 1; }
done

shoot() {  # <dpi> <output> [keys typed first]
  local dpi=$1 out=$2 keys=${3:-} dist="$ROOT/$BUILD/$ARCH/dist" state log geometry
  state=$(mktemp -d)
  log="$dist/log/Velotune.log"
  rm -f "$log"
  VELOTUNE_SIM_STATE="$state/sim.state" "$WINE" "$dist/Velotune.exe" </dev/null >/dev/null 2>&1 &
  # The reading is drawn as the pointer walks to it; the walk takes well
  # under a second after the window logs it.
  until grep -q "CMainFrame::FrequencyChange" "$log" 2>/dev/null; do sleep 0.2; done
  sleep 2
  if [ -n "$keys" ]; then
    # Typed keys go to the active window; the ring shows from the first one.
    xdotool search --name '^Velotune$' windowactivate --sync >/dev/null 2>&1 || true
    xdotool key --delay 200 $keys
    sleep 1
  fi
  geometry=$(xwininfo -name Velotune | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                                         /Width:/ {w=$NF} /Height:/ {h=$NF} END {printf "%dx%d+%d+%d", w, h, x, y}')
  import -window root -crop "$geometry" +repage "$ROOT/$out"
  echo "$out: $geometry at $dpi DPI"
  rm -rf "$state"
}

session() {  # <dpi> <output>
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  "$WINE64" wineboot -i </dev/null >/dev/null 2>&1
  "$WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
  # English, as the setup program records it (the program's own registry view).
  "$WINE" reg add 'HKCU\Software\Dizaz\Velotune' /v Languages /d en /f </dev/null >/dev/null 2>&1
  shoot "$@"
  vt_stop_wineserver
}

export VT_ARCH=$ARCH
VT_PREFIX=$(mktemp -d)
. scripts/wine-env.sh
vt_require_commands
vt_prepare_prefix
vt_with_display session 96 docs/velotune-100.png
VT_SCREEN=1920x1536 vt_with_display session 144 docs/velotune-150.png
vt_with_display session 96 docs/velotune-focus.png "Tab Tab Tab"
rm -rf "$VT_PREFIX"
