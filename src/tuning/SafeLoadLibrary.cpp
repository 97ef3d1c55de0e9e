#include "tuning/SafeLoadLibrary.h"

#include "base/Win32Owners.h"
#include <string>

#ifndef LOAD_LIBRARY_SEARCH_APPLICATION_DIR
#define LOAD_LIBRARY_SEARCH_APPLICATION_DIR 0x00000200
#endif
#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

constexpr DWORD kAppAndSystem = LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32;

typedef BOOL(WINAPI* PFN_SetDefaultDllDirectories)(DWORD);

// The folder of the executable with a trailing backslash, or empty.
std::wstring AppFolder() {
    wchar_t path[MAX_PATH] = {};
    DWORD len = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return std::wstring();
    std::wstring folder(path, len);
    size_t slash = folder.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

bool IsBareName(const wchar_t* name) {
    for (const wchar_t* p = name; *p; ++p)
        if (*p == L'\\' || *p == L'/' || *p == L':') return false;
    return true;
}

}  // namespace

void RestrictDllSearchPath() {
    // Resolved at run time: systems without the search-path update lack it.
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) return;
    auto setDirs = vt::ProcAddress<PFN_SetDefaultDllDirectories>(kernel, "SetDefaultDllDirectories");
    if (setDirs != nullptr) setDirs(kAppAndSystem);
    // Without it, at least take the current directory out of the search.
    SetDllDirectoryW(L"");
}

HMODULE LoadAppLibrary(const wchar_t* name) {
    if (name == nullptr || name[0] == 0 || !IsBareName(name)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HMODULE module = LoadLibraryExW(name, nullptr, kAppAndSystem);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;

    // The search flags are unknown to this system: name the file in the
    // program's folder explicitly, then the system folder.
    std::wstring folder = AppFolder();
    if (!folder.empty()) {
        std::wstring full = folder + name;
        if (GetFileAttributesW(full.c_str()) != INVALID_FILE_ATTRIBUTES)
            return LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    wchar_t system[MAX_PATH] = {};
    UINT len = GetSystemDirectoryW(system, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return nullptr;
    std::wstring full = std::wstring(system) + L"\\" + name;
    return LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
