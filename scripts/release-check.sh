#!/usr/bin/env bash
# The release check (make test runs it once both builds and their setup
# programs are made):
#   scripts/release-check.sh [x86] [x64]     (default: both)
# 1. every program and library of the dist folders has ASLR, DEP, high-entropy
#    addresses on x64, and stack cookies (scripts/check-pe.py);
# 2. with a throw-away root and signing certificate (openssl), the setup
#    programs and MSI packages are made signed (x86 from a PKCS#12 file, x64
#    from a PEM certificate and key): every signed EXE and DLL, both setup
#    programs and both MSI packages verify against that root (osslsigncode
#    verify -CAfile), SHA256SUMS matches them, one changed byte fails
#    verification, and a certificate that cannot be used stops the build;
#    the winget manifest written with them passes scripts/check-winget.py
#    (its sums those of the signed packages), and broken copies of it fail;
# 3. the signed setup programs install silently under Wine, in a prefix of
#    their own, and the installed Uninstall.exe and programs verify (not on
#    a machine whose kernel runs no 32-bit program: every setup program is
#    one);
# 4. the first target's setup program, made a second time from a copy of the
#    source tree in another folder (another time zone, packed in another
#    locale, the compiler cache warm), has the same bytes, and so has every file of its
#    dist folder; its MSI package has the same tables and streams, and
#    differs only in the summary information that wixl writes anew each run
#    (the package code and the creation and save times).
# Everything it makes is under <build>/release-check; the build's own setup
# programs are left as they are.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${BUILD:-build}
out=$(cd "$BUILD" && pwd)
arches=${*:-"x86 x64"}
first=${arches%% *}
work="$out/release-check"
rm -rf "$work"
mkdir -p "$work"
unset VELOTUNE_SIGN_PKCS12 VELOTUNE_SIGN_PASSWORD_FILE VELOTUNE_SIGN_CERT VELOTUNE_SIGN_KEY \
      VELOTUNE_SIGN_TIMESTAMP_URL
failures=0
fail() { echo "release check: FAILED: $*"; failures=$((failures + 1)); }
say() { echo "release check: $*"; }
quiet() { "$@" >"$work/last.log" 2>&1 || { cat "$work/last.log"; return 1; }; }

# 1. Hardening.
for a in $arches; do
  python3 scripts/check-pe.py "$out/$a/dist" >"$work/check-pe-$a.txt" ||
    fail "hardening of the $a dist folder: $(grep MISSING "$work/check-pe-$a.txt")"
done
[ $failures -eq 0 ] && say "hardening: $(cat "$work"/check-pe-*.txt | wc -l) programs and libraries have ASLR, DEP and stack cookies"

# 2. A throw-away root and a code-signing certificate it issued.
ca="$work/ca"
mkdir -p "$ca"
quiet openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Velotune release check root" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -keyout "$ca/root.key" -out "$ca/root.pem" || fail "openssl could not make the root"
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >"$ca/ext"
quiet openssl req -newkey rsa:2048 -nodes -subj "/CN=Velotune release check" \
  -keyout "$ca/sign.key" -out "$ca/sign.csr" || fail "openssl could not make the key"
quiet openssl x509 -req -days 2 -in "$ca/sign.csr" -CA "$ca/root.pem" -CAkey "$ca/root.key" \
  -CAcreateserial -extfile "$ca/ext" -out "$ca/sign.pem" || fail "openssl could not issue the certificate"
printf 'throw-away\n' >"$ca/password"
printf 'wrong\n' >"$ca/wrong-password"
quiet openssl pkcs12 -export -inkey "$ca/sign.key" -in "$ca/sign.pem" -certfile "$ca/root.pem" \
  -passout "file:$ca/password" -out "$ca/sign.p12" || fail "openssl could not write the PKCS#12 file"

# Packs the setup programs of the given targets from the build's dist
# folders into another folder: pack <folder> <arch>... (environment as given).
pack() {
  local dir=$1 a
  shift
  for a in "$@"; do
    mkdir -p "$dir/$a"
    ln -sfn "$out/$a/dist" "$dir/$a/dist"
    ln -sfn "$out/$a/msi" "$dir/$a/msi"
  done
  BUILD="$dir" TARGETS="$*" scripts/installer.sh --no-build
}

verify() {
  osslsigncode verify -CAfile "$ca/root.pem" -in "$1" >"$work/verify.log" 2>&1
}

signed="$work/signed"
for a in $arches; do
  (
    if [ "$a" = x86 ]; then
      export VELOTUNE_SIGN_PKCS12="$ca/sign.p12" VELOTUNE_SIGN_PASSWORD_FILE="$ca/password"
    else
      export VELOTUNE_SIGN_CERT="$ca/sign.pem" VELOTUNE_SIGN_KEY="$ca/sign.key"
    fi
    pack "$signed" "$a"
  ) >"$work/pack-signed-$a.txt" 2>&1 || fail "signed setup program for $a: $(tail -n 3 "$work/pack-signed-$a.txt")"
done
# Programs and libraries under a folder, one per line.
binaries() { find "$1" -type f \( -iname '*.exe' -o -iname '*.com' -o -iname '*.dll' \) | LC_ALL=C sort; }
count=0
mapfile -t files < <(binaries "$signed"; ls "$signed"/*.msi)
for f in "${files[@]}"; do
  if verify "$f"; then
    count=$((count + 1))
  else
    fail "$f does not verify: $(grep -iE "fail|error|mismatch" "$work/verify.log" | head -n 2)"
  fi
done
(cd "$signed" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not match the signed setup programs"
[ $failures -eq 0 ] && say "signing: $count files signed and verified against the throw-away root ($(ls "$signed"/*.msi | wc -l) MSI packages among them)"

# One changed byte, in a signed program and in a signed setup program.
for f in "$signed/$first/installer/dist-signed/Velotune.exe" "$signed"/Velotune-Setup-*-"$first".exe \
         "$signed"/Velotune-*-"$first".msi; do
  [ -f "$f" ] || { fail "$f is missing"; continue; }
  bad="$work/changed-$(basename "$f")"
  cp "$f" "$bad"
  python3 -c 'import sys; p=sys.argv[1]; d=bytearray(open(p,"rb").read()); d[len(d)//2]^=1; open(p,"wb").write(d)' "$bad"
  verify "$bad" && fail "$(basename "$f") with one byte changed still verifies"
done

# A certificate that cannot be used: the build stops, and writes nothing.
if (export VELOTUNE_SIGN_PKCS12="$ca/sign.p12" VELOTUNE_SIGN_PASSWORD_FILE="$ca/wrong-password"
    pack "$work/unusable" "$first") >"$work/unusable.txt" 2>&1; then
  fail "a wrong certificate password did not stop the build"
elif ls "$work/unusable"/Velotune-Setup-*.exe >/dev/null 2>&1; then
  fail "a wrong certificate password left a setup program behind"
fi
[ $failures -eq 0 ] && say "changed byte and unusable certificate: refused ($(grep -m1 "^Signing:" "$work/unusable.txt"))"

# The winget manifest of the signed packages, and broken copies of it.
manifest=$(ls -d "$signed"/winget/*/ 2>/dev/null | head -n 1)
if [ -z "$manifest" ]; then
  fail "no winget manifest was written with the signed packages"
elif ! python3 scripts/check-winget.py "$manifest" --packages "$signed" >"$work/winget.txt" 2>&1; then
  fail "the winget manifest: $(head -n 3 "$work/winget.txt")"
else
  broken=0
  # Each: a sed expression and the manifest file it breaks.
  while IFS='|' read -r expr file; do
    copy="$work/winget-broken"
    rm -rf "$copy"
    cp -r "$manifest" "$copy"
    sed -i "$expr" "$copy"/$file
    if python3 scripts/check-winget.py "$copy" --packages "$signed" >"$work/winget-broken.txt" 2>&1; then
      fail "a broken winget manifest ($expr in $file) passes the check"
    else
      broken=$((broken + 1))
    fi
  done <<'EOF_BROKEN'
s/Scope: machine/Scope: everyone/|*.installer.yaml
/InstallerSha256:/d|*.installer.yaml
0,/InstallerSha256: /s/InstallerSha256: .*/InstallerSha256: AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA/|*.installer.yaml
s/^PackageIdentifier: .*/PackageIdentifier: Velotune/|*.locale.*.yaml
s/^ShortDescription: .*/ShortDescription: ok/|*.locale.*.yaml
/^License:/d|*.locale.*.yaml
s/^ManifestVersion: .*/ManifestVersion: 1.10/|Velotune.Velotune.yaml
s/InstallerType: nullsoft/InstallerType: nsis/|*.installer.yaml
s/^PackageVersion: .*/PackageVersion: 2.0.0.0/|*.installer.yaml
EOF_BROKEN
  [ $failures -eq 0 ] && say "winget manifest: $(tail -n 1 "$work/winget.txt" | sed 's/^winget manifest: //'); $broken broken copies fail"
fi

# 3. Installed under Wine: the uninstaller the setup program writes is signed.
prefix="$work/prefix"
if ! scripts/can-run-x86.sh; then
  say "installed under Wine: NOT RUN: the setup programs are 32-bit and this machine's kernel runs no 32-bit program"
else
(
  VT_PREFIX="$prefix" VT_ARCH=x64
  . scripts/wine-env.sh
  for a in $arches; do
    setup=$(ls "$signed"/Velotune-Setup-*-"$a".exe 2>/dev/null) || exit 1
    if [ "$a" = x86 ]; then WINE="$VT_WINE_DIR/wine"; else WINE="$WINE64"; fi
    # A folder of its own under the drive's root: a parent folder the first
    # setup program made is one users may change, and the second refuses it.
    vt_run_in_own_session 600 "$work/install-$a.txt" "$setup" /S "/D=C:\\VelotuneCheck-$a" || exit 1
  done
) || fail "the signed setup programs did not install under Wine (see $work/install-*.txt)"
installed=0
uninstallers=()
for a in $arches; do
  dir="$prefix/drive_c/VelotuneCheck-$a"
  [ -f "$dir/Uninstall.exe" ] || { fail "no Uninstall.exe in $dir"; continue; }
  mapfile -t files < <(binaries "$dir")
  for f in "${files[@]}"; do
    if verify "$f"; then
      installed=$((installed + 1))
      [ "$(basename "$f")" = Uninstall.exe ] && uninstallers+=("$a")
    else
      fail "installed $f does not verify: $(grep -iE "fail|error|mismatch" "$work/verify.log" | head -n 2)"
    fi
  done
done
if [ $failures -eq 0 ]; then
  say "installed under Wine: $installed files verify, Uninstall.exe of ${uninstallers[*]} among them"
  rm -rf "$prefix"
fi
fi

# 4. The same bytes from another folder: the tracked sources (and new ones
# not yet added) copied elsewhere, configured and built for the first target
# only, packed unsigned; the build's own dist folder packed unsigned too.
src="$work/source"
mkdir -p "$src"
if command -v git >/dev/null && git rev-parse --git-dir >/dev/null 2>&1; then
  git ls-files -z --cached --others --exclude-standard | grep -zv '^build/' |
    xargs -0 tar -cf - | tar -xf - -C "$src"
else
  tar -cf - --exclude=./build . | tar -xf - -C "$src"
fi
(
  cd "$src"
  # The compiler cache hashes the locale (the compiler's messages depend on
  # it), so only the packing runs in another one.
  export CCACHE_BASEDIR="$src" TZ=Pacific/Kiritimati
  cmake --preset "$first" -B "build/$first" -DVT_BUILD_TESTS=OFF -DVT_BUILD_BENCH=OFF >/dev/null &&
    cmake --build "build/$first" -j"$(nproc)" -- --no-print-directory >/dev/null &&
    LC_ALL=C.UTF-8 LANG=C.UTF-8 BUILD=build TARGETS="$first" scripts/installer.sh --no-build
) >"$work/second-build.txt" 2>&1 || fail "the second build failed (see $work/second-build.txt)"
pack "$work/unsigned" "$first" >"$work/pack-unsigned.txt" 2>&1 || fail "unsigned packing failed"
second="$src/build/$first/dist"
n=0
while IFS= read -r -d '' f; do
  n=$((n + 1))
  cmp -s "$second/$f" "$out/$first/dist/$f" || fail "$first dist file $f differs between the two folders"
done < <(cd "$second" && find . -type f -print0)
# Files a run from the dist folder writes (settings, state, logs) are not the build's.
while IFS= read -r -d '' f; do
  [ -e "$second/$f" ] || grep -qxF "$(basename "$f")" <(sed 's/#.*//' installer/not-shipped.txt) ||
    fail "$first dist file $f is only in one of the two folders"
done < <(cd "$out/$first/dist" && find . -type f -not -path './log/*' -not -name '*.state*' -not -name '*.calls.log*' -print0)
a_setup=$(ls "$work/unsigned"/Velotune-Setup-*-"$first".exe 2>/dev/null)
b_setup=$(ls "$src/build"/Velotune-Setup-*-"$first".exe 2>/dev/null)
if [ -n "$a_setup" ] && [ -n "$b_setup" ] && cmp -s "$a_setup" "$b_setup"; then
  say "reproducible: $n files of the $first dist folder and $(basename "$a_setup") ($(stat -c %s "$a_setup") bytes, sha256 $(sha256sum "$a_setup" | cut -c1-16)...) are the same from two folders"
else
  fail "the $first setup programs built in two folders differ: $a_setup $b_setup"
fi
# The MSI packages: wixl draws a new package code and stamps the times in
# the summary information at every run; everything else must be the same.
a_msi=$(ls "$work/unsigned"/Velotune-*-"$first".msi 2>/dev/null)
b_msi=$(ls "$src/build"/Velotune-*-"$first".msi 2>/dev/null)
if [ -z "$a_msi" ] || [ -z "$b_msi" ]; then
  fail "the $first MSI package is missing from one of the two builds"
else
  for side in a b; do
    rm -rf "$work/msi-$side" && mkdir -p "$work/msi-$side"
    eval "f=\$${side}_msi"
    (cd "$work/msi-$side" && msidump -t -s "$f" >/dev/null && msiinfo suminfo "$f" |
       grep -vE '^(Revision number|Created|Last saved)' > suminfo.txt)
  done
  # The summary itself is compared as msiinfo prints it, less those three.
  if diff -r -x '*SummaryInformation*' "$work/msi-a" "$work/msi-b" >"$work/msi-diff.txt" 2>&1; then
    say "MSI package: $(basename "$a_msi") from two folders has the same tables, streams and summary but for the package code and two times ($(cmp -l "$a_msi" "$b_msi" | wc -l) of $(stat -c %s "$a_msi") bytes differ)"
  else
    fail "the $first MSI packages built in two folders differ beyond the summary information: $(head -n 5 "$work/msi-diff.txt")"
  fi
fi
[ $failures -eq 0 ] && rm -rf "$src"
[ $failures -eq 0 ] && { say "passed"; exit 0; }
say "$failures failure(s); what was made is in $work"
exit 1
