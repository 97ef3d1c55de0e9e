#include "support/ChildRun.h"

#include "base/Win32Owners.h"

namespace ChildRun {

DWORD ExitCodeOf(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
                 DWORD creationFlags) {
    std::wstring line = L"\"" + program + L"\"" + arguments;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, creationFlags, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &si, &pi))
        return kNotStarted;
    vt::UniqueHandle process(pi.hProcess);
    vt::UniqueHandle thread(pi.hThread);
    DWORD code = kNotEnded;
    if (::WaitForSingleObject(process.Get(), 60000) == WAIT_OBJECT_0) ::GetExitCodeProcess(process.Get(), &code);
    return code;
}

}  // namespace ChildRun
