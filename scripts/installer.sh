#!/usr/bin/env bash
# make installer: builds the program (both targets) and then one setup
# program and one MSI package per target from its dist folder:
#   build/Velotune-Setup-<version>-x64.exe   (amd64-unicode, the x64 dist)
#   build/Velotune-Setup-<version>-x86.exe   (x86-unicode, the x86 dist)
#   build/Velotune-<version>-x64.msi, -x86.msi (wixl, installer/Velotune.wxs)
#   build/winget/<version>/                  (the winget manifest, both)
# <version> is read from Velotune.exe's version resource. SHA256SUMS beside
# them lists their SHA-256 sums.
# With a certificate (installer/sign.sh: VELOTUNE_SIGN_PKCS12, or
# VELOTUNE_SIGN_CERT with VELOTUNE_SIGN_KEY) every EXE and DLL is signed in a
# copy of the dist folder, which is then packed, and so are the uninstaller
# and the setup program; without one, it says "not signed" and goes on.
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
command -v wixl >/dev/null || { echo "wixl is missing: run scripts/setup.sh" >&2; exit 1; }

signer=$(installer/sign.sh --check) || exit 1
if [ "$signer" = none ]; then
  echo "not signed (no certificate: see README.md, \"Signed, reproducible releases\")"
  sign=()
else
  echo "Signing with: $signer"
  sign=(-DVT_SIGN="$PWD/installer/sign.sh")
fi

out=$(cd "$BUILD" && pwd)
for arch in $TARGETS; do
  dist="$out/$arch/dist"
  work="$out/$arch/installer"
  stamp="$work/built"
  mkdir -p "$work"
  if [ $if_stale -eq 1 ] && [ -f "$stamp" ] && [ -f "$(cat "$stamp")" ] &&
     [ "$(cat "$work/signer" 2>/dev/null)" = "$signer" ] &&
     [ -f "$(cat "$work/built-msi" 2>/dev/null)" ] &&
     [ -z "$(find "$dist" "$out/$arch/msi" installer scripts/installer.sh -newer "$stamp" -print -quit)" ]; then
    echo "Setup program for $arch is up to date: $(cat "$stamp")"
    continue
  fi
  # What an earlier run made goes first: a failure below leaves no setup
  # program that could pass for this run's.
  [ -f "$stamp" ] && rm -f "$(cat "$stamp")" "$out/SHA256SUMS"
  [ -f "$work/built-msi" ] && rm -f "$(cat "$work/built-msi")"
  rm -f "$stamp" "$work/name" "$work/built-msi"
  actions="$out/$arch/msi/VelotuneMsi.dll"
  pack=$dist
  if [ "$signer" != none ]; then
    # The dist folder stays as built (the tests run from it); its copy is
    # signed and packed.
    pack="$work/dist-signed"
    rm -rf "$pack"
    mkdir -p "$pack"
    cp -a "$dist/." "$pack/"
    mapfile -t pe < <(find "$pack" -type f \( -iname '*.exe' -o -iname '*.com' -o -iname '*.dll' \) | LC_ALL=C sort)
    [ ${#pe[@]} -gt 0 ] || { echo "Signing: no programs or libraries found in $pack" >&2; exit 1; }
    installer/sign.sh "${pe[@]}"
    echo "Signed ${#pe[@]} programs and libraries of the $arch dist folder"
    # The MSI package's custom actions run elevated too.
    cp "$actions" "$work/VelotuneMsi.dll"
    actions="$work/VelotuneMsi.dll"
    installer/sign.sh "$actions"
  fi
  installer/make-file-lists.sh "$pack" "$work/files.nsh" "$work/Velotune.files"
  # A failed run leaves no setup program behind, signed or not; -WX: a
  # warning fails the build, so every setup program is built clean.
  # The MSI package's upgrade code, which the setup program looks for.
  upgrade_code=$(sed -n "/\$(var.Arch) = \"$arch\"/,/endif/s/.*define UpgradeCode = \"\([0-9A-F-]*\)\".*/\1/p" installer/Velotune.wxs | head -n 1)
  [ -n "$upgrade_code" ] || { echo "no upgrade code for $arch in installer/Velotune.wxs" >&2; exit 1; }
  if ! makensis -V2 -WX -INPUTCHARSET UTF8 -DVT_ARCH="$arch" -DVT_DIST="$pack" -DVT_FILES="$work/files.nsh" \
           -DVT_MSI_UPGRADE_CODE="{$upgrade_code}" \
           -DVT_OUTDIR="$out" -DVT_ICON="$PWD/src/app/res/icons/normal.ico" \
           -DVT_NAME_FILE="$work/name" "${sign[@]}" installer/Velotune.nsi; then
    [ -s "$work/name" ] && rm -f "$out/$(cat "$work/name")"
    echo "makensis failed for $arch" >&2
    exit 1
  fi
  made="$out/$(cat "$work/name")"
  # The MSI package: same files, same version.
  version=$(basename "$made" .exe)
  version=${version#Velotune-Setup-}
  version=${version%-"$arch"}
  msi="$out/Velotune-$version-$arch.msi"
  installer/make-msi.sh "$arch" "$pack" "$work/Velotune.files" "$actions" "$work/msi" "$msi" "$version" || {
    rm -f "$made"
    echo "the MSI package failed for $arch" >&2
    exit 1
  }
  echo "$msi" > "$work/built-msi"
  echo "MSI package: $msi"
  echo "$made" > "$stamp"
  echo "$signer" > "$work/signer"
  echo "Setup program: $made"
done

# The sums of the setup programs the last builds of both targets wrote.
sums=()
for arch in x64 x86; do
  for f in "$out/$arch/installer/built" "$out/$arch/installer/built-msi"; do
    [ -f "$f" ] && [ -f "$(cat "$f")" ] && sums+=("$(basename "$(cat "$f")")")
  done
done
if [ ${#sums[@]} -gt 0 ]; then
  # Each run writes its own temporary file: the two suites may pack at once.
  (cd "$out" && sha256sum "${sums[@]}" > "SHA256SUMS.$$" && mv -f "SHA256SUMS.$$" SHA256SUMS)
  echo "Checksums: $out/SHA256SUMS"
fi

# The winget manifest, once both targets' packages of one version are made.
versions=()
for arch in x64 x86; do
  f="$out/$arch/installer/built-msi"
  [ -f "$f" ] && [ -f "$(cat "$f")" ] && versions+=("$(basename "$(cat "$f")" "-$arch.msi")")
done
if [ ${#versions[@]} -eq 2 ] && [ "${versions[0]}" = "${versions[1]}" ]; then
  version=${versions[0]#Velotune-}
  echo "winget manifest: $(python3 installer/make-winget.py "$out" "$version")"
  python3 scripts/check-winget.py "$out/winget/$version" --packages "$out"
else
  echo "winget manifest: not written (it needs the packages of both targets, of one version)"
fi
