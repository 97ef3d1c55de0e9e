#!/usr/bin/env bash
# Exits 0 when this machine's kernel runs 32-bit x86 programs (what Wine's
# 32-bit loader, the x86 build's tests and the 32-bit setup programs need),
# 1 when it does not: some kernels are built or booted without IA-32
# emulation, and every 32-bit program then fails with "Exec format error".
# The probe is the smallest such program, written here with nothing but
# the shell (it runs before the set-up installs anything): it only exits
# with status 42, which no failure to start it gives.
set -u
probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
elf='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
# executable, i386, version 1, entry 0x08048054, program headers at 52,
# no sections, header sizes 52 and 32, one program header
elf+='\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
elf+='\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
# one loaded segment: the whole 96-byte file at 0x08048000, read and execute
elf+='\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
elf+='\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
# mov eax, 1 (exit); mov ebx, 42; int 0x80
elf+='\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
printf "$elf" >"$probe"
chmod +x "$probe"
"$probe" 2>/dev/null
[ $? -eq 42 ]
