#!/usr/bin/env bash
# Retakes the README's screenshots from the built program (ARCH, default
# x86), each in a Wine session of its own on a virtual display, once its
# first reading is shown:
#   docs/velotune-100.png, -150.png   the main window in English at 96 and 144 DPI
#   docs/velotune-zh-100.png          the main window in Chinese at 96 DPI
#   docs/settings-en.png, -zh.png     its settings dialog at 96 DPI, opened with
#                                     the window's settings button
#   docs/msgbox-en.png, -zh.png       a notice (the one for a tuning SDK that
#                                     does not start) at 96 DPI
#   docs/setup-welcome-100.png        the setup program's welcome page, when
#                                     "make installer" has built it
#   docs/velotune-focus.png           at 96 DPI once keys have been typed (the
#                                     focus ring shows from the first key press)
#   docs/high-contrast.png, high-contrast-settings.png
#                                     the same in a high contrast scheme of
#                                     system colours (white on black), drawn that
#                                     way through the program's TEST_HIGH_CONTRAST
#                                     switch, as Wine cannot turn high contrast on
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
ARCH=${ARCH:-x86}
BUILD=${BUILD:-build}
for cmd in import xwininfo xdotool; do
  command -v "$cmd" >/dev/null || { echo "Missing command: $cmd (imagemagick, x11-utils, xdotool)" >&2; exit 1; }
done

# "WxH+X+Y" of the window with that title.
geometry_of() {
  xwininfo -name "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                             /Width:/ {w=$NF} /Height:/ {h=$NF} END {printf "%dx%d+%d+%d", w, h, x, y}'
}

# The dial at rest on the default profile's stock reading ("4.0GHz" in the
# log): prints how often the reading has changed so far; fails while it
# shows another (the simulated processor dips under load now and then) or
# its needle still walks (the dial logs where a walk ends).
rest_mark() {  # <log>
  awk '{ sub(/\r$/, "") }
       /CMainFrame::FrequencyChange:/ { if ($NF != last) { n++; settled = 0; last = $NF } }
       /CSpeedPanleUI: settled at/ { settled = 1 }
       END { if (!(settled && last == "4.0GHz")) exit 1; print n }' "$1" 2>/dev/null
}

# The screen's <geometry> into <output> once the dial is at rest, taken
# again if the reading moved meanwhile.
crop_at_rest() {  # <log> <geometry> <output>
  local mark
  while :; do
    until mark=$(rest_mark "$1"); do sleep 0.2; done
    sleep 0.5  # that frame on the screen
    import -window root -crop "$2" +repage "$ROOT/$3"
    [ "$(rest_mark "$1")" = "$mark" ] && return
  done
}

# The main window at <dpi> into <output> ("-": none); with a third
# argument, then its settings dialog into that file.
shoot() {  # <dpi> <output> [<settings output> [keys typed first]]
  local dpi=$1 out=$2 settings=${3:-} keys=${4:-} dist="$ROOT/$BUILD/$ARCH/dist" log geometry x y
  log="$dist/log/Velotune.log"
  # The simulated processor at its defaults: no applied values of its own.
  rm -f "$log" "$dist/OverclockingSdkWrapper.state"
  "$WINE" "$dist/Velotune.exe" </dev/null >/dev/null 2>&1 &
  until rest_mark "$log" >/dev/null; do sleep 0.2; done
  if [ -n "$keys" ]; then
    # Typed keys go to the active window; the ring shows from the first one.
    xdotool search --name '^Velotune$' windowactivate --sync >/dev/null 2>&1 || true
    xdotool key --delay 200 $keys
    sleep 1
  fi
  geometry=$(geometry_of Velotune)
  if [ "$out" != - ]; then
    crop_at_rest "$log" "$geometry" "$out"
    echo "$out: $geometry at $dpi DPI"
  fi
  if [ -n "$settings" ]; then
    # The settings button ("SettingBtn", 276,8 - 308,36 in MainFrame.xml at 96 DPI).
    IFS='x+' read -r _ _ x y <<<"$geometry"
    xdotool mousemove --sync $((x + 292)) $((y + 22)) click 1
    until xwininfo -name SettingWnd >/dev/null 2>&1; do sleep 0.2; done
    sleep 1
    geometry=$(geometry_of SettingWnd)
    import -window root -crop "$geometry" +repage "$ROOT/$settings"
    echo "$settings: $geometry at $dpi DPI"
  fi
  rm -f "$dist/OverclockingSdkWrapper.state"
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

# The notice of a tuning SDK that does not start (a copy of its own: the
# one shot before is ended with the session's wineserver).
shoot_notice() {  # <output>
  local dist="$ROOT/$BUILD/$ARCH/dist" profile
  "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  # A profile of the simulated processor whose start fails, named by the
  # switch file beside the library (both inside the dist folder).
  profile="$dist/OverclockingSdkWrapper.ini"
  cp "$profile" "$profile.shots"
  { cat "$dist/simcpu/V7-4760K.ini"; printf '\r\nInitFails=1\r\n'; } >"$dist/simcpu/shots-initfails.ini"
  printf '\r\n[StandIn]\r\nPROFILE=simcpu\\shots-initfails.ini\r\n' >>"$profile"
  "$WINE" "$dist/Velotune.exe" </dev/null >/dev/null 2>&1 &
  # Told from the main window behind it by its size (both languages, 96 DPI).
  crop "$(window_geometry Velotune 380x176)" "$1"
  mv "$profile.shots" "$profile"
  rm -f "$dist/simcpu/shots-initfails.ini" "$dist/OverclockingSdkWrapper.state"
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

session() {  # <language> <dpi> <output> [<settings output>]
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  "$WINE64" wineboot -i </dev/null >/dev/null 2>&1
  "$WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$2" /f </dev/null >/dev/null 2>&1
  # The language, as the setup program records it (the program's own registry view).
  "$WINE" reg add 'HKCU\Software\Dizaz\Velotune' /v Languages /d "$1" /f </dev/null >/dev/null 2>&1
  shift
  shoot "$@"
  vt_stop_wineserver
}

# The main window and its settings dialog in a high contrast scheme, its
# focus ring shown.
high_contrast() {  # <output> <settings output>
  local dist="$ROOT/$BUILD/$ARCH/dist" key value
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  "$WINE64" wineboot -i </dev/null >/dev/null 2>&1
  "$WINE" reg add 'HKCU\Software\Dizaz\Velotune' /v Languages /d en /f </dev/null >/dev/null 2>&1
  # The system colours are read when the session starts.
  "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  for key in Window=0,0,0 WindowText=255,255,255 ButtonFace=0,0,0 ButtonText=255,255,255 \
             Hilight=26,235,255 HilightText=0,0,0 GrayText=63,242,63; do
    value=${key#*=}
    "$WINE64" reg add 'HKCU\Control Panel\Colors' /v "${key%%=*}" /d "${value//,/ }" /f </dev/null >/dev/null 2>&1
  done
  "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  printf '[Switches]\r\nTEST_HIGH_CONTRAST=1\r\n' >"$dist/Velotune.switches.ini"
  shoot 96 "$1" "$2" "Tab Tab Tab"
  rm -f "$dist/Velotune.switches.ini"
  vt_stop_wineserver
}

export VT_ARCH=$ARCH
VT_PREFIX=$(mktemp -d)
. scripts/wine-env.sh
vt_require_commands
vt_prepare_prefix
vt_with_display session en 96 docs/velotune-100.png docs/settings-en.png
VT_SCREEN=1920x1536 vt_with_display session en 144 docs/velotune-150.png
vt_with_display session zh 96 docs/velotune-zh-100.png docs/settings-zh.png
vt_with_display session en 96 docs/velotune-focus.png "" "Tab Tab Tab"
vt_with_display high_contrast docs/high-contrast.png docs/high-contrast-settings.png
# The notices and the setup page, each in a session of their own.
more() {  # <language> <shoot function> <output>
  "$WINESERVER" -p </dev/null >/dev/null 2>&1; "$WINE64" wineboot -i </dev/null >/dev/null 2>&1
  "$WINE" reg add 'HKCU\Software\Dizaz\Velotune' /v Languages /d "$1" /f </dev/null >/dev/null 2>&1
  "$2" "$3"; vt_stop_wineserver; }
vt_with_display more en shoot_notice docs/msgbox-en.png
vt_with_display more zh shoot_notice docs/msgbox-zh.png
vt_with_display more en shoot_setup docs/setup-welcome-100.png
rm -rf "$VT_PREFIX"
