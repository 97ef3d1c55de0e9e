#!/usr/bin/env bash
# Configures and builds both targets from the CMake presets: build/x64 and
# build/x86, each with its tests. BUILD=<folder> builds elsewhere;
# TARGETS="x64" builds one target only.
set -euo pipefail
cd "$(dirname "$0")/.."
# Paths below the checkout are hashed relative to it, so two checkouts share the cache.
export CCACHE_BASEDIR="$PWD"
BUILD=${BUILD:-build}
TARGETS=${TARGETS:-"x64 x86"}
for arch in $TARGETS; do
  # Configure every time: subsystem folders are found by globbing.
  cmake --preset "$arch" -B "$BUILD/$arch" >/dev/null
  cmake --build "$BUILD/$arch" -j"$(nproc)" -- --no-print-directory
done
