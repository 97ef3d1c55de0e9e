#!/usr/bin/env bash
# make test: set-up, both builds, every test under Wine on virtual displays.
# The x86 suite (the build users get) and the x64 suite run side by side,
# each with its own prefix, wineserver and display. Output of each suite:
# <build>/<arch>/test-output.txt. VELOTUNE_SKIP_X86=1 skips the x86 suite on
# a machine that cannot execute 32-bit programs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
BUILD=${BUILD:-build}
ROOT=$PWD

# Everything the suites call, before spending time on the builds.
(VT_PREFIX=/nonexistent VT_ARCH=x86 . scripts/wine-env.sh && vt_require_commands) || exit 1
for c in ctest cmake makensis python3; do
  command -v "$c" >/dev/null || { echo "Missing command: $c (run scripts/setup.sh)" >&2; exit 1; }
done

# Folders include only the layers below them (README.md, "Layers").
python3 scripts/check-layers.py || exit 1

ARCHES="x86 x64"
if [ "${VELOTUNE_SKIP_X86:-0}" = 1 ]; then
  ARCHES="x64"
  echo "x86 suite skipped (VELOTUNE_SKIP_X86=1)"
elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "This machine cannot execute 32-bit programs (the x86 Wine loader does not start); set VELOTUNE_SKIP_X86=1 to test the x64 build only" >&2
  exit 1
fi

scripts/build.sh
# No shipped file takes a switch from the environment.
scripts/check-no-env.sh
# Both setup programs, every run; test_installer runs each build's own one.
scripts/installer.sh --no-build

run_suite() {
  scripts/run-suite.sh "$1" >"$BUILD/$1/test-output.txt" 2>&1
}

pids=()
for arch in $ARCHES; do
  : >"$BUILD/$arch/test-output.txt"
  rm -f "$BUILD/$arch/tests/garbled-input.txt"
  run_suite "$arch" &
  pids+=($!)
done
# Both suites' progress as it comes.
tail -n +1 -F $(for a in $ARCHES; do echo "$BUILD/$a/test-output.txt"; done) 2>/dev/null &
tailer=$!
rc=0
for p in "${pids[@]}"; do wait "$p" || rc=1; done
kill "$tailer" 2>/dev/null || true
wait "$tailer" 2>/dev/null || true

echo
for arch in $ARCHES; do
  line=$(grep -E "tests passed, [0-9]+ tests failed out of [0-9]+" "$BUILD/$arch/test-output.txt" | tail -n 1 || true)
  if [ -z "$line" ]; then
    echo "$arch: the suite did not finish (see $BUILD/$arch/test-output.txt)"
    rc=1
    continue
  fi
  failed=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
  # The garbled-input suite's case counts (its output is not kept when it passes).
  if [ -f "$BUILD/$arch/tests/garbled-input.txt" ]; then
    echo "$arch: $(cat "$BUILD/$arch/tests/garbled-input.txt")"
  fi
  echo "$arch: $((total - failed)) passed, $failed failed"
done
exit $rc
