#include "update/DirectoryPath.h"

#include <windows.h>

#include <vector>

#include "log/BaseLog.h"

namespace {

bool IsFolder(const std::wstring& path) {
    if (path.empty()) return false;
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool CreateDirectoryPath(const std::wstring& path) {
    if (IsFolder(path)) return true;
    std::wstring work = path;
    if (!work.empty() && (work.back() == L'\\' || work.back() == L'/')) work.pop_back();
    // Every prefix that ends at a separator, then the whole path; forward
    // slashes become backslashes on the way.
    std::vector<std::wstring> prefixes;
    std::wstring prefix;
    for (wchar_t c : work) {
        if (c == L'\\' || c == L'/') {
            prefixes.push_back(prefix);
            prefix += L'\\';
        } else {
            prefix += c;
        }
    }
    prefixes.push_back(prefix);
    // The first prefix is the drive.
    for (size_t i = 1; i < prefixes.size(); ++i) {
        if (prefixes[i].empty()) continue;
        if (CreateDirectoryW(prefixes[i].c_str(), nullptr)) {
            SetFileAttributesW(prefixes[i].c_str(), FILE_ATTRIBUTE_NORMAL);
            VLOG("created %ls", prefixes[i].c_str());
        }
    }
    return IsFolder(path);
}
