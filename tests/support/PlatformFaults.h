#pragma once
// What the platform the tests run on reports for a fault, learnt from the
// fault probe in a process of its own. A real processor reports an unmapped
// read as 0xC0000005 and ends a fast-fail with 0xC0000409; user-mode
// emulation of a 32-bit processor does not (README.md, "x86 under
// emulation"). Tests of our handling expect what the platform reports.
#include <windows.h>

#include <string>

namespace PlatformFaults {
// The fault probe's exit code for `how` ("access", "fastfail", "smash", ...).
DWORD ProbeExitCode(const std::wstring& how);
// The exception code an unmapped read reaches a handler with; printed with
// the real processor's, once per test program, when the two differ.
DWORD AccessViolationCode();
// How a process that asks for a fast-fail ends.
DWORD FastFailExitCode();
// "0xC0000005", as the SDK guard's log line writes a code.
std::string Hex(DWORD code);
}  // namespace PlatformFaults
