#include "common/SimEnvironment.h"

#include <windows.h>

namespace simcommon {

std::wstring OwnFolder() {
    // The address of this function lies in whichever library linked it in.
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&OwnFolder), &self))
        return std::wstring();
    wchar_t path[MAX_PATH] = {};
    DWORD len = GetModuleFileNameW(self, path, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return std::wstring();
    std::wstring p(path, len);
    size_t slash = p.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : p.substr(0, slash);
}

std::wstring EnvOr(const wchar_t* name, const std::wstring& fallback) {
    wchar_t value[MAX_PATH] = {};
    DWORD len = GetEnvironmentVariableW(name, value, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return fallback;
    return std::wstring(value, len);
}

}  // namespace simcommon
