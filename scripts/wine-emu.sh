#!/usr/bin/env bash
# CTest's emulator: wine-emu.sh x86|x64 PREFIX PROGRAM.exe [ARGS...]
VT_ARCH=$1 VT_PREFIX=$2; shift 2
. "$(dirname "$0")/wine-env.sh"
vt_start_program "$WINE" "$@"
