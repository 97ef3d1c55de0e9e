#!/usr/bin/env bash
# CTest's emulator: wine-emu.sh PREFIX PROGRAM.exe [ARGS...]
VT_PREFIX=$1; shift
. "$(dirname "$0")/wine-env.sh"
exec "$WINE" "$@"
