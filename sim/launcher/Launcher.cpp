// "VodEduzudu.exe", the logon launcher the Run value points at: starts
// Velotune.exe from its own folder with the arguments it was given, and
// ends without waiting for it.
#include <windows.h>

#include <string>

#include "LauncherCommand.h"
#include "base/Win32Owners.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    std::wstring self(32768, L'\0');
    DWORD len = GetModuleFileNameW(nullptr, &self[0], static_cast<DWORD>(self.size()));
    if (len == 0 || len >= self.size()) return 1;
    self.resize(len);
    size_t slash = self.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return 1;
    std::wstring folder = self.substr(0, slash);
    std::wstring program = folder + L"\\Velotune.exe";

    std::wstring commandLine = LauncherCommand::Build(program, LauncherCommand::ArgumentsTail(GetCommandLineW()));
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    // The program is named by its full path: nothing is searched for.
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                        &pi))
        return 1;
    vt::UniqueHandle process(pi.hProcess);
    vt::UniqueHandle thread(pi.hThread);
    return 0;
}
