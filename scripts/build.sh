#!/usr/bin/env bash
# Configures and builds both targets: build/x64 (with tests) and build/x86.
# BUILD=<folder> builds elsewhere; TARGETS="x64" builds one target only.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
TARGETS=${TARGETS:-"x64 x86"}
for arch in $TARGETS; do
  # Configure every time: subsystem folders are found by globbing.
  cmake -S . -B "$BUILD/$arch" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$BUILD/$arch" -j"$(nproc)" -- --no-print-directory
done
