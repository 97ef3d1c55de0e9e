#!/usr/bin/env bash
# Builds one MSI package from a dist folder (make installer runs it for each
# target after the setup program; the installer tests run it for an older
# version number):
#   installer/make-msi.sh ARCH DIST RECORD CUSTOM-ACTIONS WORK OUT.msi VERSION
# RECORD is the setup program's file list (make-file-lists.sh), so both
# packages install the same files; CUSTOM-ACTIONS is the build's
# msi/VelotuneMsi.dll (signed already when the release is). Signs the
# package when sign.sh has a certificate. A failure leaves no package.
set -euo pipefail
export LC_ALL=C
arch=$1 dist=$2 record=$3 actions=$4 work=$5 out=$(realpath -m "$6") version=$7
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
command -v wixl >/dev/null || { echo "wixl is missing: run scripts/setup.sh" >&2; exit 1; }
[ -f "$actions" ] || { echo "make-msi: $actions is missing (build the $arch target)" >&2; exit 1; }
# A new ProductCode for every version of each architecture, and the same
# one for the same version: derived, not drawn at random.
product=$(python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID("7511708E-241D-4F30-B7ED-F1EA6164FC80"), sys.argv[1])).upper())' "$arch|$version")
mkdir -p "$work"
# The cabinet keeps each file's date: a copy with one fixed date packs to
# the same bytes from every build of the same sources.
stage="$work/msi-dist"
rm -rf "$stage"
mkdir -p "$stage"
cp -a "$dist/." "$stage/"
find "$stage" -exec touch -h -d "2000-01-01 00:00:00 UTC" {} +
python3 "$here/make-msi-files.py" "$stage" "$record" "$arch" "$work/files.wxi"
rm -f "$out"
trap 'rm -f "$out"' ERR
# wixl finds every source file relative to its working folder only.
cp "$actions" "$work/VelotuneMsi.dll"
cp "$root/src/app/res/icons/normal.ico" "$work/Velotune.ico"
(cd "$work" && wixl -a "$arch" -I . -D Arch="$arch" -D Version="$version" -D ProductCode="$product" \
  -D Dist=msi-dist -D CustomActions=VelotuneMsi.dll -D Icon=Velotune.ico \
  -D HelpLink="https://velotune.example.com/help" -o "$out" "$here/Velotune.wxs")
if [ "$("$here/sign.sh" --check)" != none ]; then
  "$here/sign.sh" "$out"
fi
