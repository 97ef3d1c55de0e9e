#!/usr/bin/env python3
"""Checks the hardening of every program and library in the given folders
(or files): the PE flags the loader acts on, and the use of stack cookies.

    scripts/check-pe.py [--no-cookies] FOLDER|FILE ...

Per file, from its own bytes:
- ASLR: DYNAMIC_BASE set and relocations present (an image without its
  relocations is loaded at its preferred address whatever the flag says);
- DEP: NX_COMPAT;
- 64-bit images: HIGH_ENTROPY_VA;
- stack cookies (unless --no-cookies): the binaries are static and stripped,
  so no import or symbol names __stack_chk_fail. Our own handler
  (src/base/StackGuard.cpp) is linked into every module, whether or not its
  code has cookies, and ends the process with the system's fast-fail for a
  smashed cookie: "mov ecx, 2; int 0x29". The check finds those bytes, the
  handler that holds them, and counts the direct calls to the handler: every
  function given a cookie ends with one. None found fails.
Exits 1 when any file misses any of these, and says which.
"""
import os
import re
import struct
import sys

DYNAMIC_BASE = 0x0040
NX_COMPAT = 0x0100
HIGH_ENTROPY_VA = 0x0020
RELOCS_STRIPPED = 0x0001
# mov ecx, FAST_FAIL_STACK_COOKIE_CHECK_FAILURE; int 0x29 (the same bytes on
# both builds).
COOKIE_FAIL_FAST = b"\xb9\x02\x00\x00\x00\xcd\x29"
# How far before those bytes the handler may start: it asks first whether the
# system has the fast-fail at all (18 bytes on x64, 22 on x86). Functions
# start at 16-byte boundaries, so the one before the handler starts further
# off, and a handler nothing calls is not mistaken for its neighbour.
HANDLER_SPAN = 32


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not a PE file (no MZ header)")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file (no PE signature)")
        self.characteristics = struct.unpack_from("<H", data, pe + 22)[0]
        nsec = struct.unpack_from("<H", data, pe + 6)[0]
        opt_size = struct.unpack_from("<H", data, pe + 20)[0]
        opt = pe + 24
        magic = struct.unpack_from("<H", data, opt)[0]
        if magic == 0x20B:
            self.is64 = True
            self.image_base = struct.unpack_from("<Q", data, opt + 24)[0]
            self.dll_characteristics = struct.unpack_from("<H", data, opt + 70)[0]
            dirs = opt + 112
        elif magic == 0x10B:
            self.is64 = False
            self.image_base = struct.unpack_from("<I", data, opt + 28)[0]
            self.dll_characteristics = struct.unpack_from("<H", data, opt + 70)[0]
            dirs = opt + 96
        else:
            raise ValueError("unknown optional header 0x%x" % magic)
        # Data directory 5: base relocations.
        self.reloc_size = struct.unpack_from("<I", data, dirs + 5 * 8 + 4)[0]
        self.sections = []
        for k in range(nsec):
            o = opt + opt_size + 40 * k
            vsize, va, rsize, rptr = struct.unpack_from("<IIII", data, o + 8)
            flags = struct.unpack_from("<I", data, o + 36)[0]
            self.sections.append((va, vsize, rptr, rsize, flags))

    def rva_of_offset(self, off):
        for va, vsize, rptr, rsize, _ in self.sections:
            if rptr <= off < rptr + rsize:
                return va + off - rptr
        return None

    def code(self):
        """(rva, bytes) of each executable section."""
        for va, vsize, rptr, rsize, flags in self.sections:
            if flags & 0x20000000:
                yield va, self.data[rptr:rptr + min(vsize, rsize)]


def call_targets(img):
    """Every direct call (E8 rel32) in the code: target rva -> call site rvas."""
    targets = {}
    for va, code in img.code():
        for m in re.finditer(b"\xe8", code):
            p = m.start()
            if p + 5 > len(code):
                break
            site = va + p
            target = (site + 5 + struct.unpack_from("<i", code, p + 1)[0]) & 0xFFFFFFFF
            targets.setdefault(target, []).append(site)
    return targets


def cookie_calls(img):
    """Calls to the cookie handler; None without it."""
    sites = []
    for va, code in img.code():
        sites += [va + m.start() for m in re.finditer(re.escape(COOKIE_FAIL_FAST), code)]
    if not sites:
        return None
    targets = call_targets(img)
    calls = 0
    for site in sites:
        # The handler's entry is the nearest call target before its fast-fail.
        entries = [e for e in range(site - HANDLER_SPAN, site + 1) if e in targets]
        if entries:
            calls = max(calls, len(targets[entries[-1]]))
    return calls


def check(path, cookies):
    with open(path, "rb") as f:
        img = Image(f.read())
    missing = []
    dc = img.dll_characteristics
    if not dc & DYNAMIC_BASE:
        missing.append("ASLR (DYNAMIC_BASE)")
    elif img.characteristics & RELOCS_STRIPPED or img.reloc_size == 0:
        missing.append("ASLR (no relocations)")
    if not dc & NX_COMPAT:
        missing.append("DEP (NX_COMPAT)")
    if img.is64 and not dc & HIGH_ENTROPY_VA:
        missing.append("HIGH_ENTROPY_VA")
    detail = ""
    if cookies:
        calls = cookie_calls(img)
        if calls is None:
            missing.append("stack cookies (no cookie handler)")
        elif calls == 0:
            missing.append("stack cookies (no function calls the handler)")
        else:
            detail = ", %d cookie checks" % calls
    return missing, detail


def main(argv):
    cookies = True
    if argv and argv[0] == "--no-cookies":
        cookies = False
        argv = argv[1:]
    if not argv:
        print(__doc__.strip().splitlines()[3].strip(), file=sys.stderr)
        return 2
    files = []
    for arg in argv:
        if os.path.isdir(arg):
            for root, dirs, names in os.walk(arg):
                dirs.sort()
                files += [os.path.join(root, n) for n in sorted(names)
                          if n.lower().endswith((".exe", ".com", ".dll"))]
        else:
            files.append(arg)
    if not files:
        print("check-pe: no programs or libraries in %s" % " ".join(argv), file=sys.stderr)
        return 1
    bad = 0
    for path in files:
        try:
            missing, detail = check(path, cookies)
        except (OSError, ValueError, struct.error) as e:
            missing, detail = ["a readable PE image (%s)" % e], ""
        if missing:
            bad += 1
            print("%s: MISSING %s" % (path, ", ".join(missing)))
        else:
            print("%s: ok%s" % (path, detail))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
