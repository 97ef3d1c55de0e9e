#!/usr/bin/env bash
# make bench: builds both targets and runs every benchmark program of each,
# x86 (the build users get) first, then x64. TARGETS="x64" runs one.
# How each figure is taken: bench/README.md.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Where the x86 side runs under emulation its figures are printed, marked,
# and never held against a target: they say nothing about users' machines.
x86_side=$(scripts/x86-side.sh) || true
x86_emulated=0
[[ "$x86_side" = *"under emulation"* ]] && x86_emulated=1
if [ -z "${TARGETS:-}" ]; then
  TARGETS="x86 x64"
  if ! scripts/can-run-x86.sh; then
    TARGETS="x64"
    echo "x86 NOT RUN: 32-bit programs do not run here ($x86_side); x64 only"
  fi
fi
TARGETS="$TARGETS" scripts/build.sh
BUILD=${BUILD:-build}
ROOT=$PWD
rc=0
for arch in $TARGETS; do
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
          # The idle figures are read from the Linux side while bench_app
          # keeps Velotune, the bare popup and the floors up.
          out=$(mktemp)
          (cd "$(dirname "$b")" && "$WINE" "$(basename "$b")" >"$out" 2>&1) &
          runner=$!
          until grep -q "idle phase" "$out" 2>/dev/null || ! kill -0 $runner 2>/dev/null; do sleep 0.2; done
          tr -d '\r' <"$out"
          if grep -q "idle phase" "$out"; then
            local baseline="$ROOT/$BUILD/$arch/bench/baseline"
            scripts/bench-idle.sh "$ROOT/$BUILD/$arch/dist/Velotune.exe" "$baseline/bare_popup.exe" \
                                  "$baseline/reading_floor.exe" "$baseline/walk_floor.exe" \
                                  "$baseline/walks_floor.exe" || rc=1
          fi
          wait $runner || rc=1
          rm -f "$out"
        else
          (cd "$(dirname "$b")" && "$WINE" "$(basename "$b")" | tr -d '\r') || rc=1
        fi
      done
      vt_stop_wineserver
      return $rc
    }
    if [ "$arch" = x86 ] && [ $x86_emulated -eq 1 ]; then
      echo "== x86 ${x86_side#x86: }: no x86 figure is judged"
      vt_with_display bench_body 2>&1 |
        sed -E -u 's/(target [^:]*): (NOT met|met)/\1: not judged (x86 under emulation)/'
    else
      vt_with_display bench_body
    fi
  ) || rc=1
done
exit $rc
