#include "common/SimEnvironment.h"

#include <windows.h>

#include "base/Win32Owners.h"

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

void AppendLine(const std::wstring& path, const std::string& line) {
    // A library left loaded for days records a call a second; the record
    // moves aside to "<path>.old" once it is full, so it never fills the disk.
    WIN32_FILE_ATTRIBUTE_DATA info = {};
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info) &&
        (info.nFileSizeHigh != 0 || info.nFileSizeLow >= kRecordCapBytes))
        MoveFileExW(path.c_str(), (path + L".old").c_str(), MOVEFILE_REPLACE_EXISTING);
    vt::UniqueFile file(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    const std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace simcommon
