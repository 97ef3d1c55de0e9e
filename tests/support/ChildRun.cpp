#include "support/ChildRun.h"

#include <cstdio>

#include "base/Win32Owners.h"

namespace ChildRun {

bool Start(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
           DWORD creationFlags, PROCESS_INFORMATION& started) {
    for (int attempt = 1; attempt <= 2; ++attempt) {
        std::wstring line = L"\"" + program + L"\"" + arguments;
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        started = PROCESS_INFORMATION{};
        if (::CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, creationFlags, nullptr,
                             folder.empty() ? nullptr : folder.c_str(), &si, &started))
            return true;
        fprintf(stderr, "start of %ls refused (error %lu), attempt %d of 2\n", line.c_str(), ::GetLastError(),
                attempt);
    }
    return false;
}

DWORD ExitCodeOf(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
                 DWORD creationFlags) {
    PROCESS_INFORMATION pi;
    if (!Start(program, arguments, folder, creationFlags, pi)) return kNotStarted;
    vt::UniqueHandle process(pi.hProcess);
    vt::UniqueHandle thread(pi.hThread);
    DWORD code = kNotEnded;
    if (::WaitForSingleObject(process.Get(), 60000) == WAIT_OBJECT_0) ::GetExitCodeProcess(process.Get(), &code);
    return code;
}

}  // namespace ChildRun
