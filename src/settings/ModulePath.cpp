#include "settings/ModulePath.h"

#include <windows.h>

std::wstring GetModulePath() {
    // A result that fills the whole buffer may be cut: grow and ask again,
    // up to the longest path the system supports.
    for (DWORD size = 1024; size <= 32768; size *= 2) {
        std::wstring path(size, L'\0');
        DWORD len = GetModuleFileNameW(nullptr, &path[0], size);
        if (len == 0) return std::wstring();
        if (len < size) {
            path.resize(len);
            return path;
        }
    }
    return std::wstring();
}
