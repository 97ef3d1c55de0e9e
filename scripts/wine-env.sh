# Sourced by the scripts that start Windows programs: a private Wine prefix
# per build tree, quiet, without the Mono and Gecko installers.
#   VT_PREFIX  the prefix (required)
#   VT_ARCH    x86 or x64 (default x64): which loader starts the programs
# Only Debian's wine64 and wine32:i386 packages are assumed: they put the
# loaders and the server in /usr/lib/wine, not on PATH.
VT_PREFIX=${VT_PREFIX:?VT_PREFIX must name the Wine prefix}
VT_ARCH=${VT_ARCH:-x64}
export WINEPREFIX="$VT_PREFIX"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
VT_WINE_DIR=/usr/lib/wine
# The prefix is always a 64-bit one; 32-bit programs run in it under WoW64.
WINE64="$VT_WINE_DIR/wine64"
WINESERVER="$VT_WINE_DIR/wineserver"
if [ "$VT_ARCH" = x86 ]; then WINE="$VT_WINE_DIR/wine"; else WINE="$WINE64"; fi
export WINE WINE64 WINESERVER

# Stops with one line naming the first command the scripts need that is
# missing.
vt_require_commands() {
  local c
  for c in "$WINE64" "$WINESERVER" "$WINE" Xvfb; do
    if ! command -v "$c" >/dev/null 2>&1; then
      echo "Missing command: $c (run scripts/setup.sh, or install its package)" >&2
      return 1
    fi
  done
}

# A prefix is usable once Wine has put its own system libraries in it; a
# start that finds no kernel32.dll there fails with "could not load
# kernel32.dll" before any of our code runs.
vt_prefix_ready() {
  [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ]
}

# Creates the prefix on first use and maps the skin's font names to fonts
# that Debian ships (Chinese text renders as boxes otherwise). A creation
# that leaves the prefix unusable is said, with what wineboot printed, and
# made again once from nothing; a prefix that is still unusable fails here
# rather than in every program started in it.
vt_prepare_prefix() {
  vt_prefix_ready && return 0
  local attempt out face
  local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
  for attempt in 1 2; do
    out=$(mktemp)
    mkdir -p "$WINEPREFIX"
    "$WINE64" wineboot -i </dev/null >"$out" 2>&1 || true
    for face in "Microsoft YaHei" "微软雅黑" "SimSun" "宋体"; do
      "$WINE64" reg add "$key" /v "$face" /d "WenQuanYi Micro Hei" /f </dev/null >>"$out" 2>&1 || true
    done
    "$WINESERVER" -w
    if vt_prefix_ready; then
      rm -f "$out"
      return 0
    fi
    echo "Wine left the prefix $WINEPREFIX unusable (attempt $attempt of 2); wineboot and reg printed:" >&2
    tail -n 20 "$out" | sed 's/^/  /' >&2
    rm -f "$out"
    "$WINESERVER" -k >/dev/null 2>&1
    "$WINESERVER" -w >/dev/null 2>&1
    rm -rf "$WINEPREFIX"
  done
  return 1
}

# Runs a command that starts a Windows program (e.g. "$WINE" test.exe).
# Now and then, on a loaded machine, Wine gives up on a program before it
# has started (no output, a failure within a few milliseconds). That is not
# the program's result: such a start is made once more, and said so. A
# program that really fails that fast fails again.
#   vt_start_program <command> [arguments]
vt_start_program() {
  local start rc elapsed_ms name="" a
  start=$(date +%s%N)
  "$@"
  rc=$?
  elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
  if [ "$rc" -ne 0 ] && [ "$elapsed_ms" -lt 300 ]; then
    for a in "$@"; do case "$a" in *.exe) name=$(basename "$a"); break ;; esac; done
    echo "wine: ${name:-$1} ended with $rc after $elapsed_ms ms, before it could have run: started once more" >&2
    "$@"
    rc=$?
  fi
  return $rc
}

# Starts a wineserver for the prefix and Wine's service processes, detached
# from our output: anything Wine spawns inherits the pipes of the program
# that started it, and CTest (or a pipe to tail) waits for its pipes to close.
vt_start_wineserver() {
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  "$WINE64" wineboot </dev/null >/dev/null 2>&1
}

vt_stop_wineserver() {
  "$WINESERVER" -k >/dev/null 2>&1
  "$WINESERVER" -w >/dev/null 2>&1
  return 0
}

# Runs a command with DISPLAY set to a virtual display of its own (VT_SCREEN
# pixels, 1280x1024 unless set). Xvfb picks a free display number itself
# (-displayfd), so several of these can start at the same moment without
# taking the same number.
#   vt_with_display <command> [arguments]
vt_with_display() {
  local fifo pid display rc
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${VT_SCREEN:-1280x1024}x24" -nolisten tcp 3>"$fifo" </dev/null >/dev/null 2>&1 &
  pid=$!
  read -r display <"$fifo"
  rm -f "$fifo"
  if [ -z "$display" ]; then
    echo "Xvfb did not start" >&2
    kill "$pid" 2>/dev/null
    return 1
  fi
  DISPLAY=":$display" "$@"
  rc=$?
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return $rc
}

# Runs a Windows program in a Wine session of its own: a virtual display, a
# wineserver and Wine's services, all ended afterwards, in a prefix prepared
# as the suite's is (its fonts too: display-scale tests measure labels in
# them). For tests that must not share a session with the others.
#   vt_run_in_own_session <seconds> <output file> <program> [arguments]
# The program's output goes to the file (Wine's own processes inherit the
# pipes of whatever starts them); the exit code is the program's.
vt_run_in_own_session() {
  local seconds=$1 out=$2
  shift 2
  vt_with_display _vt_session_body "$seconds" "$out" "$@"
}

# A test program in a session of its own, for CTest:
#   vt_run_test_alone <seconds> <work folder> <removed if it passes> <program> [arguments]
# Its output is kept in <work folder>/output.txt and printed afterwards;
# returns its exit code.
vt_run_test_alone() {
  local seconds=$1 work=$2 scratch=$3 rc
  shift 3
  vt_run_in_own_session "$seconds" "$work/output.txt" "$@"
  rc=$?
  cat "$work/output.txt"
  [ $rc -eq 0 ] && rm -rf "$scratch"
  return $rc
}

_vt_session_body() {
  local seconds=$1 out=$2 rc
  shift 2
  vt_prepare_prefix || return 1
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  "$WINE64" wineboot </dev/null >/dev/null 2>&1
  # A display scale (VT_LOGPIXELS, in DPI): Wine's processes read it from the
  # user's desktop settings when they start.
  if [ -n "${VT_LOGPIXELS:-}" ]; then
    "$WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$VT_LOGPIXELS" /f \
      </dev/null >/dev/null 2>&1
  fi
  vt_start_program timeout "$seconds" "$WINE" "$@" </dev/null >"$out" 2>&1
  rc=$?
  # Wine could not start the program at all: say what the prefix held.
  if [ $rc -ne 0 ] && grep -q "could not load kernel32.dll" "$out"; then
    {
      echo "Wine did not start $(basename "$1"); the prefix $WINEPREFIX holds:"
      ls -la "$WINEPREFIX" "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" 2>&1 | sed 's/^/  /'
      [ -f "$WINEPREFIX/wineserver" ] && echo "  its wineserver folder: $(cat "$WINEPREFIX/wineserver")"
    } >>"$out"
  fi
  vt_stop_wineserver
  return $rc
}
