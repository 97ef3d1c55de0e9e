#!/usr/bin/env bash
# make fuzz: the garbled-input suite's generators (tests/mainframe/GarbledRun.h)
# for far more cases than `make test` runs them, on both builds side by
# side, each in a Wine session of its own (prefix, wineserver, display) and
# from a copy of the test program in <build>/<arch>/fuzz. Never part of
# `make test`.
#   FUZZ_CASES=N          cases per build, shared among the readers (default 1000000)
#   FUZZ_SECONDS=N        or a time per build, shared equally among the readers
#   FUZZ_SEED=N           the run's seed (default: a new one, printed first)
#   FUZZ_REPLAY=R:A[-B]   only reader R's cases A to B, their inputs kept in
#                         <build>/<arch>/fuzz/garbled/ (with the run's FUZZ_SEED)
#   ARCH=x86|x64          one build only
# Each build's output: <build>/<arch>/fuzz-output.txt. The last lines say,
# per build, the cases, the time, the crashes and the hangs; any of those
# comes with the one-line command that replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
BUILD=${BUILD:-build}
ROOT=$PWD

if [ -n "${ARCH:-}" ]; then
  case $ARCH in x86|x64) ;; *) echo "ARCH must be x86 or x64, not $ARCH" >&2; exit 2 ;; esac
  ARCHES=$ARCH
  if [ "$ARCH" = x86 ] && ! scripts/can-run-x86.sh; then
    echo "32-bit programs do not run here (scripts/x86-side.sh says why)" >&2
    exit 1
  fi
else
  ARCHES="x86 x64"
  if ! scripts/can-run-x86.sh; then
    ARCHES=x64
    echo "fuzz: x86 NOT RUN: 32-bit programs do not run here (scripts/x86-side.sh says why)"
  fi
fi

seed=${FUZZ_SEED:-$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')}
args=(--gtest_filter=GarbledInput.* "--fuzz-seed=$seed")
if [ -n "${FUZZ_REPLAY:-}" ]; then
  args+=("--fuzz-replay=$FUZZ_REPLAY")
  what="cases $FUZZ_REPLAY"
elif [ -n "${FUZZ_SECONDS:-}" ]; then
  args+=("--fuzz-seconds=$FUZZ_SECONDS")
  [ -n "${FUZZ_CASES:-}" ] && args+=("--fuzz-cases=$FUZZ_CASES")
  what="${FUZZ_SECONDS} s${FUZZ_CASES:+ or $FUZZ_CASES cases}"
else
  args+=("--fuzz-cases=${FUZZ_CASES:-1000000}")
  what="${FUZZ_CASES:-1000000} cases"
fi

TARGETS="$ARCHES" scripts/build.sh
echo "fuzz: seed $seed, $what per build ($ARCHES)"
echo "fuzz: replay a case: make fuzz ARCH=<x86|x64> FUZZ_SEED=$seed FUZZ_REPLAY=<reader>:<case>"

fuzz_one() {
  local arch=$1 dir="$ROOT/$BUILD/$1/fuzz" out="$ROOT/$BUILD/$1/fuzz-output.txt" started=$SECONDS rc=0
  rm -rf "$dir"
  mkdir -p "$dir"
  # The test program and the simulated processor it loads beside itself.
  cp "$ROOT/$BUILD/$arch/tests/test_dialtable.exe" "$ROOT/$BUILD/$arch/tests/OverclockingSdkWrapper".* "$dir/"
  (
    VT_ARCH=$arch VT_PREFIX="$ROOT/$BUILD/$arch/fuzz-prefix"
    . scripts/wine-env.sh
    vt_require_commands && vt_run_in_own_session 86400 "$out" "$dir/test_dialtable.exe" "${args[@]}"
  ) || rc=$?
  echo "$rc $((SECONDS - started))" >"$dir/outcome.txt"
}

pids=()
tailers=()
for arch in $ARCHES; do
  : >"$BUILD/$arch/fuzz-output.txt"
  fuzz_one "$arch" &
  pids+=($!)
  # Its progress as it comes, marked with the build: each reader's count
  # once a minute and at its end. The tail ends with the run (--pid).
  tail -n +1 -F --pid=$! "$BUILD/$arch/fuzz-output.txt" 2>/dev/null |
    grep --line-buffered -E "^garbled input|Failure|FAILED" | sed -u "s/^/$arch: /" &
  tailers+=($!)
done
for p in "${pids[@]}" "${tailers[@]}"; do wait "$p" || true; done

echo
status=0
for arch in $ARCHES; do
  dir="$BUILD/$arch/fuzz" out="$BUILD/$arch/fuzz-output.txt"
  read -r rc seconds <"$dir/outcome.txt" || { rc=1; seconds='?'; }
  counts=$(grep -E "^garbled input: [0-9]+ skin cases" "$out" | tail -n 1 || true)
  cases=$( (grep -oE "[0-9]+ [a-zA-Z][a-zA-Z -]* cases" <<<"$counts" || true) | awk '{ n += $1 } END { print n + 0 }')
  crashes=$(grep -c "ended the process" "$out" || true)
  hangs=$(grep -c "did not finish" "$out" || true)
  failed=$(grep -cE "^\[  FAILED  \] GarbledInput\." "$out" || true)
  if [ "$rc" != 0 ] && [ "$crashes" = 0 ] && [ "$hangs" = 0 ]; then
    # Ended with no word of its own (a fast-fail runs no handler): the
    # progress file names the case under way.
    reader="" index=""
    read -r reader index _ <"$dir/garbled/progress.txt" 2>/dev/null || true
    if [ -n "$reader" ]; then
      echo "$arch: the process ended (exit code $rc) in $reader case $index; replay: make fuzz ARCH=$arch FUZZ_SEED=$seed FUZZ_REPLAY=$reader:$index"
      crashes=1
    elif [ "$failed" = 0 ]; then
      echo "$arch: the run did not finish (exit code $rc; see $out)"
      status=1
    fi
  fi
  grep -hE "ended the process|did not finish" "$out" | sed "s/^/$arch: /" || true
  [ -n "${FUZZ_REPLAY:-}" ] && echo "$arch: the inputs replayed are in $dir/garbled/ (replay-*)"
  echo "$arch: $cases cases in $seconds s, $crashes crashes, $hangs hangs, $failed tests with failed checks (seed $seed)"
  [ "$crashes" = 0 ] && [ "$hangs" = 0 ] && [ "$failed" = 0 ] || status=1
done
exit $status
