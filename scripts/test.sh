#!/usr/bin/env bash
# make test: set-up, both builds, every test under Wine on virtual displays.
# The x86 suite (the build users get) and the x64 suite run side by side,
# each with its own prefix, wineserver and display. Output of each suite:
# <build>/<arch>/test-output.txt. Where the kernel runs no 32-bit program the
# set-up brings the x86 side up under emulation (scripts/x86-side.sh); where
# even that cannot be had the x86 build is built and checked but not run,
# and the summary says so; VELOTUNE_SKIP_X86=1 skips its suite on
# any machine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
BUILD=${BUILD:-build}
ROOT=$PWD

ARCHES="x86 x64"
x86_skipped=""
if [ "${VELOTUNE_SKIP_X86:-0}" = 1 ]; then
  x86_skipped="VELOTUNE_SKIP_X86=1"
elif ! scripts/can-run-x86.sh; then
  x86_skipped="32-bit programs do not run here ($(scripts/x86-side.sh 2>&1 | tail -n 1)): the x86 build, and the 32-bit setup programs, are built but not run"
fi
if [ -n "$x86_skipped" ]; then
  ARCHES="x64"
  echo "x86 suite NOT RUN: $x86_skipped"
fi

# Everything the suites call, before spending time on the builds.
for arch in $ARCHES; do
  (VT_PREFIX=/nonexistent VT_ARCH=$arch . scripts/wine-env.sh && vt_require_commands) || exit 1
done
if [[ " $ARCHES " = *" x86 "* ]] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "The x86 Wine loader does not start (run scripts/setup.sh)" >&2
  exit 1
fi
for c in ctest cmake makensis python3 osslsigncode openssl; do
  command -v "$c" >/dev/null || { echo "Missing command: $c (run scripts/setup.sh)" >&2; exit 1; }
done

# Folders include only the layers below them (README.md, "Layers").
python3 scripts/check-layers.py || exit 1

scripts/build.sh
# No shipped file takes a switch from the environment.
scripts/check-no-env.sh
# Both setup programs, every run; test_installer runs each build's own one.
scripts/installer.sh --no-build

run_suite() {
  local started=$SECONDS rc=0
  scripts/run-suite.sh "$1" >"$BUILD/$1/test-output.txt" 2>&1 || rc=$?
  echo "$((SECONDS - started))" >"$BUILD/$1/suite-seconds.txt"
  return $rc
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

# Hardening, signing and reproducible bytes, on the builds above.
started=$SECONDS
# Both builds are checked here, run or not; the check leaves out only what
# needs 32-bit programs to run.
checked=$ARCHES
[ "${VELOTUNE_SKIP_X86:-0}" = 1 ] || checked="x86 x64"
scripts/release-check.sh $checked >"$BUILD/release-check.txt" 2>&1 || rc=1
cat "$BUILD/release-check.txt"
echo "release check: $((SECONDS - started)) s"

echo
[ -n "$x86_skipped" ] && echo "x86: NOT RUN: $x86_skipped"
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
  # CTest counts a skipped test among those that passed.
  skipped=$(grep -c "(Skipped)" "$BUILD/$arch/test-output.txt" || true)
  echo "$arch: $((total - failed - skipped)) passed, $failed failed, $skipped skipped"
  echo "$arch: the suite took $(cat "$BUILD/$arch/suite-seconds.txt" 2>/dev/null || echo '?') s"
done
exit $rc
