// Every program and library carries its own stack cookie and handlers
// (src/base/StackGuard.cpp): a smashed cookie or an overrun checked copy ends
// the process at once with STATUS_STACK_BUFFER_OVERRUN, unseen by its
// exception handlers (the SDK guard's filter among them would otherwise
// carry on), and the cookie differs from one start to the next.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/Win32Owners.h"
#include "support/TestPaths.h"

namespace {

// The probe's exit code, or 0xDEAD when it did not start or end.
DWORD RunProbe(const std::wstring& args) {
    const std::wstring exe = TestPaths::Join(TestPaths::TestDir(), L"stack_probe.exe");
    std::wstring line = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                          &pi))
        return 0xDEAD;
    vt::UniqueHandle process(pi.hProcess);
    vt::UniqueHandle thread(pi.hThread);
    DWORD code = 0xDEAD;
    if (::WaitForSingleObject(process.Get(), 60000) == WAIT_OBJECT_0) ::GetExitCodeProcess(process.Get(), &code);
    return code;
}

}  // namespace

TEST(StackGuard, SmashedStackEndsTheProcessAtOnceAndTheCookieIsSeededEachStart) {
    for (const wchar_t* how : {L"smash", L"overrun"})
        EXPECT_EQ(RunProbe(how), static_cast<DWORD>(STATUS_STACK_BUFFER_OVERRUN)) << TestPaths::Narrow(how);
    const DWORD first = RunProbe(L"guard"), second = RunProbe(L"guard");
    EXPECT_NE(first, 0u) << "seeded";
    EXPECT_NE(first, second) << "anew at each start";
}
