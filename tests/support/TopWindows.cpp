#include "support/TopWindows.h"

namespace {

struct Search {
    DWORD pid;
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid && (!search->className || ClassOf(hwnd) == search->className))
        search->found.push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> TopWindowsOf(DWORD pid, const wchar_t* className) {
    Search search = {pid, className, {}};
    EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t cls[256] = {};
    GetClassNameW(hwnd, cls, 256);
    return cls;
}
