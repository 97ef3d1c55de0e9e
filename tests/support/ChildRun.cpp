#include "support/ChildRun.h"

#include <cstdio>

#include "base/Win32Owners.h"

namespace ChildRun {

bool Start(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
           DWORD creationFlags, PROCESS_INFORMATION& started, HANDLE output) {
    for (int attempt = 1; attempt <= 2; ++attempt) {
        std::wstring line = L"\"" + program + L"\"" + arguments;
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        if (output) {
            si.dwFlags = STARTF_USESTDHANDLES;
            si.hStdOutput = si.hStdError = output;
        }
        started = PROCESS_INFORMATION{};
        if (::CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, output != nullptr, creationFlags, nullptr,
                             folder.empty() ? nullptr : folder.c_str(), &si, &started))
            return true;
        fprintf(stderr, "start of %ls refused (error %lu), attempt %d of 2\n", line.c_str(), ::GetLastError(),
                attempt);
    }
    return false;
}

namespace {
DWORD RunToEnd(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
               DWORD creationFlags, HANDLE output) {
    PROCESS_INFORMATION pi;
    if (!Start(program, arguments, folder, creationFlags, pi, output)) return kNotStarted;
    vt::UniqueHandle process(pi.hProcess);
    vt::UniqueHandle thread(pi.hThread);
    DWORD code = kNotEnded;
    if (::WaitForSingleObject(process.Get(), 60000) == WAIT_OBJECT_0) ::GetExitCodeProcess(process.Get(), &code);
    return code;
}
}  // namespace

DWORD ExitCodeOf(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
                 DWORD creationFlags) {
    return RunToEnd(program, arguments, folder, creationFlags, nullptr);
}

DWORD ExitCodeAndOutput(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
                        std::string& output) {
    output.clear();
    wchar_t temp[MAX_PATH] = {}, path[MAX_PATH] = {};
    if (!GetTempPathW(MAX_PATH, temp) || !GetTempFileNameW(temp, L"out", 0, path)) return kNotStarted;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    vt::UniqueHandle file(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      &inherit, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file) return kNotStarted;
    const DWORD code = RunToEnd(program, arguments, folder, CREATE_NO_WINDOW, file.Get());
    SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr) && got) output.append(buffer, got);
    return code;
}

}  // namespace ChildRun
