#!/usr/bin/env bash
# Retakes the README's screenshots, docs/velotune-100.png and -150.png: the
# built program (ARCH, default x86), in English, at 96 and 144 DPI, each in a Wine
# session of its own on a virtual display, once its first reading is shown.
# At 96 DPI also the settings dialog (docs/settings-100.png), a notice
# (docs/msgbox-100.png: the one for a tuning SDK that does not start) and,
# when "make installer" has built it, the setup program's welcome page
# (docs/setup-welcome-100.png). Clicks and keys come from xdotool.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
ARCH=${ARCH:-x86}
BUILD=${BUILD:-build}
for cmd in import xwininfo xdotool; do
  command -v "$cmd" >/dev/null || { echo "Missing command: $cmd (imagemagick, x11-utils, xdotool)" >&2; exit 1; }
done

shoot() {  # <dpi> <output>
  local dpi=$1 out=$2 dist="$ROOT/$BUILD/$ARCH/dist" state log geometry
  state=$(mktemp -d)
  log="$dist/log/Velotune.log"
  rm -f "$log"
  VELOTUNE_SIM_STATE="$state/sim.state" "$WINE" "$dist/Velotune.exe" </dev/null >/dev/null 2>&1 &
  # The reading is drawn as the pointer walks to it; the walk takes well
  # under a second after the window logs it.
  until grep -q "CMainFrame::FrequencyChange" "$log" 2>/dev/null; do sleep 0.2; done
  sleep 2
  geometry=$(xwininfo -name Velotune | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                                         /Width:/ {w=$NF} /Height:/ {h=$NF} END {printf "%dx%d+%d+%d", w, h, x, y}')
  import -window root -crop "$geometry" +repage "$ROOT/$out"
  echo "$out: $geometry at $dpi DPI"
  rm -rf "$state"
}

# "WxH+X+Y" of the first shown X window whose title is <title> (and whose
# size is <WxH>, when given), once there is one.
window_geometry() {  # <title> [WxH]
  local line="" tries=0
  until [ -n "$line" ]; do
    line=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$1\":" | grep -F " ${2:-}" | grep -v ' 1x1+' | head -1) || true
    [ -n "$line" ] && break
    tries=$((tries + 1))
    [ "$tries" -lt 300 ] || { echo "no window \"$1\" ${2:-} within a minute" >&2; return 1; }
    sleep 0.2
  done
  # 0x... "title": ("class" "class")  WxH+x+y  +X+Y
  awk '{ split($(NF-1), s, "+"); print s[1] $NF }' <<<"$line"
}

crop() {  # <geometry> <output>
  sleep 1  # its first paint
  import -window root -crop "$1" +repage "$ROOT/$2"
  echo "$2: $1"
}

# The settings dialog, opened with a click on "=" of the window shot last.
shoot_settings() {  # <output>
  local main x y
  main=$(window_geometry Velotune 420x520)
  x=${main#*+}; y=${x#*+}; x=${x%+*}
  xdotool mousemove $((x + 310)) $((y + 23)) click 1
  crop "$(window_geometry SettingWnd)" "$1"
}

# The notice of a tuning SDK that does not start (a copy of its own: the
# one shot before is ended with the session's wineserver).
shoot_notice() {  # <output>
  local dist="$ROOT/$BUILD/$ARCH/dist" state
  "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  state=$(mktemp -d)
  { cat "$dist/simcpu/V7-4760K.ini"; printf '\r\nInitFails=1\r\n'; } >"$state/initfails.ini"
  VELOTUNE_SIM_STATE="$state/sim.state" VELOTUNE_SIM_PROFILE="Z:${state//\//\\}\\initfails.ini" \
    "$WINE" "$dist/Velotune.exe" </dev/null >/dev/null 2>&1 &
  crop "$(window_geometry Velotune 380x190)" "$1"
  rm -rf "$state"
}

# The setup program's welcome page, past its language question.
shoot_setup() {  # <output>
  local setup
  setup=$(ls "$ROOT/$BUILD"/Velotune-Setup-*-"$ARCH".exe 2>/dev/null | head -1) || true
  if [ -z "$setup" ]; then
    echo "$1: no setup program in $BUILD (make installer): not taken"
    return
  fi
  "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  "$WINE" "$setup" /LANG=en </dev/null >/dev/null 2>&1 &
  window_geometry "Installer Language" >/dev/null
  sleep 1
  xdotool key Return
  crop "$(window_geometry "Velotune Setup")" "$1"
}

session() {  # <dpi> <output> [more shots]
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  "$WINE64" wineboot -i </dev/null >/dev/null 2>&1
  "$WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
  # English, as the setup program records it (the program's own registry view).
  "$WINE" reg add 'HKCU\Software\Dizaz\Velotune' /v Languages /d en /f </dev/null >/dev/null 2>&1
  shoot "$1" "$2"
  if [ "${3:-}" = more ]; then
    shoot_settings docs/settings-100.png
    shoot_notice docs/msgbox-100.png
    shoot_setup docs/setup-welcome-100.png
  fi
  vt_stop_wineserver
}

export VT_ARCH=$ARCH
VT_PREFIX=$(mktemp -d)
. scripts/wine-env.sh
vt_require_commands
vt_prepare_prefix
vt_with_display session 96 docs/velotune-100.png more
VT_SCREEN=1920x1536 vt_with_display session 144 docs/velotune-150.png
rm -rf "$VT_PREFIX"
