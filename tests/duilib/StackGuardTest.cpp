// Every program and library carries its own stack cookie and handlers
// (src/base/StackGuard.cpp): a smashed cookie or an overrun checked copy ends
// the process at once with STATUS_STACK_BUFFER_OVERRUN, unseen by its
// exception handlers (the SDK guard's filter among them would otherwise
// carry on), and the cookie differs from one start to the next.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "support/ChildRun.h"
#include "support/TestPaths.h"

namespace {

DWORD RunProbe(const std::wstring& args) {
    return ChildRun::ExitCodeOf(TestPaths::Join(TestPaths::TestDir(), L"stack_probe.exe"), L" " + args);
}

}  // namespace

TEST(StackGuard, SmashedStackEndsTheProcessAtOnceAndTheCookieIsSeededEachStart) {
    for (const wchar_t* how : {L"smash", L"overrun"})
        EXPECT_EQ(RunProbe(how), static_cast<DWORD>(STATUS_STACK_BUFFER_OVERRUN)) << TestPaths::Narrow(how);
    const DWORD first = RunProbe(L"guard"), second = RunProbe(L"guard");
    EXPECT_NE(first, 0u) << "seeded";
    EXPECT_NE(first, second) << "anew at each start";
}
