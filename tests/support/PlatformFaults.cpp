#include "support/PlatformFaults.h"

#include <cstdio>

#include "support/ChildRun.h"
#include "support/TestPaths.h"

namespace PlatformFaults {
namespace {

DWORD Learnt(const wchar_t* how, DWORD onARealProcessor) {
    const DWORD code = ProbeExitCode(how);
    if (code != onARealProcessor)
        std::printf("[platform] the fault probe's \"%ls\" ends with %s here, %s on a real processor\n", how,
                    Hex(code).c_str(), Hex(onARealProcessor).c_str());
    return code;
}

}  // namespace

DWORD ProbeExitCode(const std::wstring& how) {
    return ChildRun::ExitCodeOf(TestPaths::Join(TestPaths::TestDir(), L"fault_probe.exe"), L" " + how);
}

DWORD AccessViolationCode() {
    static const DWORD code = Learnt(L"access", static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    return code;
}

DWORD FastFailExitCode() {
    static const DWORD code = Learnt(L"fastfail", static_cast<DWORD>(STATUS_STACK_BUFFER_OVERRUN));
    return code;
}

std::string Hex(DWORD code) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(code));
    return text;
}

}  // namespace PlatformFaults
