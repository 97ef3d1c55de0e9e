#include "settings/ProgramSwitches.h"

#include <windows.h>

#include "settings/AppInfo.h"

namespace ProgramSwitches {

namespace {
std::wstring FilePath() {
    std::wstring folder = GetAppFolder();
    return folder.empty() ? std::wstring() : folder + L"\\" + kFileName;
}
}  // namespace

std::wstring Value(const wchar_t* key) {
    const std::wstring path = FilePath();
    if (path.empty()) return std::wstring();
    wchar_t value[MAX_PATH] = {};
    DWORD len = GetPrivateProfileStringW(kSection, key, L"", value, MAX_PATH, path.c_str());
    return std::wstring(value, len);
}

bool IsSet(const wchar_t* key) { return !Value(key).empty(); }

bool Take(const wchar_t* key) {
    if (!IsSet(key)) return false;
    WritePrivateProfileStringW(kSection, key, nullptr, FilePath().c_str());
    return true;
}

}  // namespace ProgramSwitches
