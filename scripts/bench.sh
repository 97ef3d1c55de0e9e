#!/usr/bin/env bash
# make bench: builds both targets and runs every benchmark program of each,
# x86 (the build users get) first, then x64.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
BUILD=${BUILD:-build}
ROOT=$PWD
rc=0
for arch in x86 x64; do
  (
    VT_ARCH=$arch VT_PREFIX="$ROOT/$BUILD/$arch/wineprefix"
    . scripts/wine-env.sh
    vt_require_commands
    vt_prepare_prefix
    bench_body() {
      vt_start_wineserver
      local rc=0 b out runner
      for b in "$ROOT/$BUILD/$arch"/bench/*.exe; do
        [ -e "$b" ] || continue
        echo "== $arch $(basename "$b")"
        if [ "$(basename "$b")" = bench_app.exe ]; then
          out=$(mktemp)
          (cd "$(dirname "$b")" && "$WINE" "$(basename "$b")" >"$out" 2>&1) &
          runner=$!
          until grep -q "idle phase" "$out" 2>/dev/null || ! kill -0 $runner 2>/dev/null; do sleep 0.2; done
          cat "$out"
          scripts/bench-idle.sh || rc=1
          wait $runner || rc=1
          rm -f "$out"
        else
          (cd "$(dirname "$b")" && "$WINE" "$(basename "$b")") || rc=1
        fi
      done
      vt_stop_wineserver
      return $rc
    }
    vt_with_display bench_body
  ) || rc=1
done
exit $rc
