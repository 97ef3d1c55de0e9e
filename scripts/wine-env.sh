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

# Runs a Windows program in a Wine session of its own: a virtual display, a
# wineserver and (when the prefix is new) wineboot, all ended afterwards. For
# tests that must not share a session with the others.
#   vt_run_in_own_session <seconds> <output file> <program> [arguments]
# The program's output goes to the file (Wine's own processes inherit the
# pipes of whatever starts them); the exit code is the program's.
vt_run_in_own_session() {
  local seconds=$1 out=$2
  export WINE
  shift 2
  timeout "$seconds" xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    out=$0
    wineserver -p </dev/null >/dev/null 2>&1
    "$WINE" wineboot -i </dev/null >/dev/null 2>&1
    "$WINE" "$@" </dev/null >"$out" 2>&1
    rc=$?
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    exit $rc' "$out" "$@"
}
