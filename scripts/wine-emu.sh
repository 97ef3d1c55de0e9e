#!/usr/bin/env bash
# CTest's emulator: wine-emu.sh x86|x64 PREFIX PROGRAM.exe [ARGS...]
VT_ARCH=$1 VT_PREFIX=$2; shift 2
. "$(dirname "$0")/wine-env.sh"
# Now and then, on a loaded machine, Wine gives up on a program before it has
# started (no output, a failure within a few milliseconds). That is not the
# program's result: such a start is made once more, and said so. A program
# that really fails that fast fails again.
start=$(date +%s%N)
"$WINE" "$@"
rc=$?
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
if [ "$rc" -ne 0 ] && [ "$elapsed_ms" -lt 300 ]; then
  echo "wine-emu: $(basename "$1") ended with $rc after $elapsed_ms ms, before it could have run: started once more" >&2
  exec "$WINE" "$@"
fi
exit "$rc"
