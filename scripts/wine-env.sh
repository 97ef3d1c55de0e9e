# Sourced by the scripts that start Windows programs: a private Wine prefix
# per build tree, quiet, without the Mono and Gecko installers.
VT_PREFIX=${VT_PREFIX:?VT_PREFIX must name the Wine prefix}
export WINEPREFIX="$VT_PREFIX"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
WINE=/usr/lib/wine/wine64

# Creates the prefix on first use and maps the skin's font names to fonts
# that Debian ships (Chinese text renders as boxes otherwise).
vt_prepare_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1 || true
    local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
    for face in "Microsoft YaHei" "微软雅黑" "SimSun" "宋体"; do
      "$WINE" reg add "$key" /v "$face" /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1 || true
    done
    wineserver -w
  fi
}
