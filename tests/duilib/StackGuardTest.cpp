// Every program and library carries its own stack cookie and handlers
// (src/base/StackGuard.cpp): a smashed cookie or an overrun checked copy ends
// the process at once through the system's fast-fail, unseen by its
// exception handlers (the SDK guard's filter among them would otherwise
// carry on), and the cookie differs from one start to the next. A real
// processor ends such a process with STATUS_STACK_BUFFER_OVERRUN; what this
// platform gives is learnt from a fast-fail asked for directly.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "support/PlatformFaults.h"
#include "support/TestPaths.h"

TEST(StackGuard, SmashedStackEndsTheProcessAtOnceAndTheCookieIsSeededEachStart) {
    const DWORD fastFail = PlatformFaults::FastFailExitCode();
    for (const wchar_t* how : {L"smash", L"overrun"}) {
        const DWORD code = PlatformFaults::ProbeExitCode(how);
        EXPECT_EQ(code, fastFail) << TestPaths::Narrow(how) << ": " << PlatformFaults::Hex(code) << ", a fast-fail "
                                  << PlatformFaults::Hex(fastFail);
    }
    const DWORD first = PlatformFaults::ProbeExitCode(L"guard"), second = PlatformFaults::ProbeExitCode(L"guard");
    EXPECT_NE(first, 0u) << "seeded";
    EXPECT_NE(first, second) << "anew at each start";
}
