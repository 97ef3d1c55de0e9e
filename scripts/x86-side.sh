#!/usr/bin/env bash
# Brings up the x86 side (Wine's 32-bit loader, the x86 build, the 32-bit
# setup programs) and says in one line how it runs:
#   x86: runs natively
#   x86: runs under emulation (qemu-i386 10.0.x)
#   x86: cannot run here: <why>
# Exits 0 when 32-bit programs run, 1 when they do not.
#
# Some kernels run no 32-bit program ("Exec format error"). There, as root,
# the kernel's binfmt_misc hands every i386 ELF program to qemu-i386 from
# Debian's bookworm-backports (10.0: its qemu-i386 is static and pulls in
# nothing else). Debian 12's own qemu 7.2 also runs them, but takes about a
# minute for every start of a 32-bit program under Wine (its search for
# free guest address space), so an entry with an interpreter that old is
# replaced. Where the kernel runs 32-bit programs itself nothing is
# registered; a second run changes nothing.
set -u
here=$(cd "$(dirname "$0")" && pwd)
binfmt=/proc/sys/fs/binfmt_misc
entry_name=qemu-i386
interpreter=/usr/bin/qemu-i386
backports_list=/etc/apt/sources.list.d/velotune-bookworm-backports.sources
# i386 ELF executables and shared objects; F: the kernel opens the
# interpreter now, so it works whatever a program's root or namespace.
registration=":$entry_name:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$interpreter:F"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

say() { echo "x86: $*"; }

# The first number of an interpreter's version ("qemu-i386 version 10.0.2 ..."), 0 if unknown.
major_version() {
  "$1" --version 2>/dev/null | sed -nE '1s/.* version ([0-9]+)\..*/\1/p' | grep . || echo 0
}
full_version() {
  "$1" --version 2>/dev/null | sed -nE '1s/.* version ([0-9.]+).*/\1/p'
}

# Every registered entry that hands i386 programs to a qemu.
i386_entries() {
  local e
  for e in "$binfmt"/*; do
    [ -f "$e" ] || continue
    case ${e##*/} in register|status) continue ;; esac
    grep -qE '^interpreter .*qemu-i386' "$e" 2>/dev/null && echo "$e"
  done
}
entry_interpreter() { sed -n 's/^interpreter //p' "$1"; }
entry_enabled() { grep -qx enabled "$1"; }

# An old entry whose interpreter is the slow one goes; a working one stays.
if [ -e "$binfmt/register" ]; then
  for e in $(i386_entries); do
    interp=$(entry_interpreter "$e")
    if [ "$(major_version "$interp")" -lt 8 ]; then
      echo "x86: removing the binfmt entry ${e##*/} ($interp $(full_version "$interp"): about a minute for each 32-bit start under Wine)"
      echo -1 | $sudo tee "$e" >/dev/null || true
    fi
  done
fi

working_entry() {
  local e
  for e in $(i386_entries); do
    entry_enabled "$e" && { entry_interpreter "$e"; return 0; }
  done
  return 1
}

if "$here/can-run-x86.sh"; then
  if interp=$(working_entry); then
    say "runs under emulation (qemu-i386 $(full_version "$interp")); its timings say nothing about a user's machine"
  else
    say "runs natively"
  fi
  exit 0
fi

# From here on the kernel runs no 32-bit program by itself.
if [ -n "$sudo" ] && ! command -v sudo >/dev/null; then
  say "cannot run here: the kernel runs no 32-bit program, and emulation needs root"
  exit 1
fi
if [ ! -e "$binfmt/register" ]; then
  if ! $sudo mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || [ ! -e "$binfmt/register" ]; then
    say "cannot run here: the kernel runs no 32-bit program, and binfmt_misc cannot be mounted"
    exit 1
  fi
fi

if [ "$(major_version "$interpreter")" -lt 8 ]; then
  if [ ! -f "$backports_list" ]; then
    echo "x86: adding Debian's bookworm-backports (for qemu-user 10)"
    printf '%s\n' "Types: deb" "URIs: http://deb.debian.org/debian" "Suites: bookworm-backports" \
      "Components: main" "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" |
      $sudo tee "$backports_list" >/dev/null
  fi
  export DEBIAN_FRONTEND=noninteractive
  for wait in 10 30 0; do
    $sudo apt-get update -q >/dev/null &&
      $sudo apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user >/dev/null && break
    [ "$wait" -eq 0 ] && break
    echo "x86: installing qemu-user from bookworm-backports failed; trying again in $wait s"
    sleep "$wait"
  done
  if [ "$(major_version "$interpreter")" -lt 8 ]; then
    say "cannot run here: the kernel runs no 32-bit program, and qemu-user 8 or later could not be installed from bookworm-backports"
    exit 1
  fi
fi

# A package may have registered its own entry under this name (without F).
[ -e "$binfmt/$entry_name" ] && { echo -1 | $sudo tee "$binfmt/$entry_name" >/dev/null || true; }
if ! printf '%s' "$registration" | $sudo tee "$binfmt/register" >/dev/null; then
  say "cannot run here: the kernel runs no 32-bit program, and registering $interpreter with binfmt_misc failed"
  exit 1
fi
if "$here/can-run-x86.sh"; then
  say "runs under emulation (qemu-i386 $(full_version "$interpreter")); its timings say nothing about a user's machine"
  exit 0
fi
say "cannot run here: the kernel runs no 32-bit program, and even under $interpreter the probe does not run"
exit 1
