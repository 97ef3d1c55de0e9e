// Stands in for the program the launcher starts: writes the command line it
// got and its working folder (UTF-8, one per line) to "cmdline.txt" beside itself.
#include <windows.h>

#include <string>

#include "base/Win32Owners.h"
#include "support/TestPaths.h"

namespace {
std::string Utf8(const std::wstring& text) { return TestPaths::Narrow(text, CP_UTF8); }
}  // namespace

int wmain() {
    wchar_t self[MAX_PATH] = {};
    DWORD len = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return 2;
    std::wstring path(self, len);
    std::wstring folder = path.substr(0, path.find_last_of(L"\\/"));
    wchar_t cwd[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    std::string text = Utf8(GetCommandLineW()) + "\r\n" + Utf8(cwd) + "\r\n";
    // Written under a temporary name and renamed, so a reader never sees half.
    std::wstring temp = folder + L"\\cmdline.tmp";
    vt::UniqueFile file(
        CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 3;
    DWORD written = 0;
    WriteFile(file.Get(), text.data(), (DWORD)text.size(), &written, nullptr);
    // Closed before the rename: the file is open without sharing.
    file.Reset();
    return MoveFileExW(temp.c_str(), (folder + L"\\cmdline.txt").c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
