#!/usr/bin/env bash
# make installer: builds the program (both targets) and then one setup
# program per target from its dist folder:
#   build/Velotune-Setup-<version>-x64.exe   (amd64-unicode, the x64 dist)
#   build/Velotune-Setup-<version>-x86.exe   (x86-unicode, the x86 dist)
# <version> is read from Velotune.exe's version resource.
#   --no-build   use the dist folders as they are (make test builds first)
#   --if-stale   skip a target whose setup program is newer than its inputs
# BUILD=<folder> and TARGETS="x64" work as for scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
TARGETS=${TARGETS:-"x64 x86"}
build=1
if_stale=0
for arg in "$@"; do
  case $arg in
    --no-build) build=0 ;;
    --if-stale) if_stale=1 ;;
    *) echo "usage: $0 [--no-build] [--if-stale]" >&2; exit 2 ;;
  esac
done
if [ $build -eq 1 ]; then
  scripts/setup.sh
  scripts/build.sh
fi
command -v makensis >/dev/null || { echo "makensis is missing: run scripts/setup.sh" >&2; exit 1; }

out=$(cd "$BUILD" && pwd)
for arch in $TARGETS; do
  dist="$out/$arch/dist"
  work="$out/$arch/installer"
  stamp="$work/built"
  mkdir -p "$work"
  if [ $if_stale -eq 1 ] && [ -f "$stamp" ] && [ -f "$(cat "$stamp")" ] &&
     [ -z "$(find "$dist" installer scripts/installer.sh -newer "$stamp" -print -quit)" ]; then
    echo "Setup program for $arch is up to date: $(cat "$stamp")"
    continue
  fi
  installer/make-file-lists.sh "$dist" "$work/files.nsh"
  rm -f "$work/name"
  # -WX: a warning fails the build, so every setup program is built clean.
  makensis -V2 -WX -INPUTCHARSET UTF8 -DVT_ARCH="$arch" -DVT_DIST="$dist" -DVT_FILES="$work/files.nsh" \
           -DVT_OUTDIR="$out" -DVT_ICON="$PWD/src/app/res/icons/normal.ico" \
           -DVT_NAME_FILE="$work/name" installer/Velotune.nsi
  made="$out/$(cat "$work/name")"
  echo "$made" > "$stamp"
  echo "Setup program: $made"
done
