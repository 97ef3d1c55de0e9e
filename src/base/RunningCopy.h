#pragma once
// Which process is the running copy: the one that holds the machine's
// single-instance guard file and wrote its process id into it. The folder
// of that file lets in administrators only and the holder shares it for
// reading alone, so nobody else can have written the id. A window of the
// program's class proves nothing by itself: any user can make one. The
// program, and the MSI package's actions (which link none of its
// libraries), read it the same way; the setup program's script does as well.
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "base/Win32Owners.h"

namespace vt {

// "<ProgramData>\Velotune\Velotune.lock", or empty. The known folder, not
// %ProgramData%: the environment is the caller's.
inline std::wstring MachineGuardPath() {
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &path)) && path) folder = path;
    CoTaskMemFree(path);
    return folder.empty() ? folder : folder + L"\\Velotune\\Velotune.lock";
}

// The holder writes its id as four bytes, little-endian, at the start.
inline bool WriteGuardHolder(HANDLE guard) {
    const DWORD pid = GetCurrentProcessId();
    DWORD written = 0;
    return SetFilePointer(guard, 0, nullptr, FILE_BEGIN) == 0 &&
           WriteFile(guard, &pid, sizeof(pid), &written, nullptr) && written == sizeof(pid) && SetEndOfFile(guard);
}

// The id the holder wrote; 0 when there is no guard, it names nobody yet
// (the holder is starting), or it cannot be read (*error then says why;
// only administrators may read it).
inline DWORD ReadGuardHolder(const std::wstring& path, DWORD* error = nullptr) {
    if (error) *error = ERROR_SUCCESS;
    // The holder's write and delete-on-close must be shared to open it at all.
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        if (error) *error = GetLastError();
        return 0;
    }
    DWORD pid = 0, read = 0;
    if (!ReadFile(file.Get(), &pid, sizeof(pid), &read, nullptr) || read != sizeof(pid)) return 0;
    return pid;
}

// The top-level windows of `windowClass`: the one of process `pid` (null
// when it has none) and those of other processes, with their ids.
struct WindowsOfClass {
    HWND own = nullptr;
    std::vector<std::pair<HWND, DWORD>> others;
};

inline WindowsOfClass FindWindowsOfClass(const wchar_t* windowClass, DWORD pid) {
    WindowsOfClass found;
    for (HWND w = FindWindowExW(nullptr, nullptr, windowClass, nullptr); w;
         w = FindWindowExW(nullptr, w, windowClass, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (pid != 0 && owner == pid && !found.own) found.own = w;
        else found.others.emplace_back(w, owner);
    }
    return found;
}

}  // namespace vt
