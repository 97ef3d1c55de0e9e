#!/usr/bin/env bash
# Fails when a shipped file names a VELOTUNE_ variable: the program runs
# elevated, and the environment is the user's, so no shipped file may take
# a switch from it. Checks build/<arch>/dist of each target built.
set -uo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
rc=0
for dist in "$BUILD"/x64/dist "$BUILD"/x86/dist; do
  [ -d "$dist" ] || continue
  while IFS= read -r -d '' file; do
    # Both the 8-bit and the UTF-16 spelling.
    if strings -a "$file" | grep -q 'VELOTUNE_' || strings -a -el "$file" | grep -q 'VELOTUNE_'; then
      echo "check-no-env: $file names a VELOTUNE_ variable" >&2
      rc=1
    fi
  done < <(find "$dist" -type f -print0)
done
[ $rc = 0 ] && echo "check-no-env: no shipped file names a VELOTUNE_ variable"
exit $rc
