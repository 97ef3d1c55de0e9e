#!/usr/bin/env bash
# make bench: builds the x64 target and runs every benchmark program in it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
TARGETS=x64 scripts/build.sh
BUILD=${BUILD:-build}
VT_PREFIX="$PWD/$BUILD/x64/wineprefix"
. scripts/wine-env.sh
vt_prepare_prefix
export WINE
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  # Start the server and its service processes detached from our output:
  # anything Wine spawns inherits the pipes of the program that started it,
  # and CTest waits for its pipes to close.
  wineserver -p </dev/null >/dev/null 2>&1
  "$WINE" wineboot </dev/null >/dev/null 2>&1
  rc=0
  for b in "'"$BUILD"'"/x64/bench/*.exe; do
    [ -e "$b" ] || continue
    echo "== $(basename "$b")"
    if [ "$(basename "$b")" = bench_app.exe ]; then
      out=$(mktemp)
      (cd "$(dirname "$b")" && '"$WINE"' "$(basename "$b")" >"$out" 2>&1) &
      runner=$!
      until grep -q "idle phase" "$out" 2>/dev/null || ! kill -0 $runner 2>/dev/null; do sleep 0.2; done
      cat "$out"
      scripts/bench-idle.sh || rc=1
      wait $runner || rc=1
      rm -f "$out"
    else
      (cd "$(dirname "$b")" && '"$WINE"' "$(basename "$b")") || rc=1
    fi
  done
  wineserver -k || true
  exit $rc'
