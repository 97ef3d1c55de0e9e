#pragma once
// To the front without staying there: topmost and straight back. The one
// way the program raises a window, its own or a running copy's.
#include <windows.h>

namespace vt {

inline void RaiseWindow(HWND hwnd) {
    const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW;
    ::SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, flags);
    ::SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
}

// Restored (from minimised or hidden) and raised.
inline void RestoreAndRaise(HWND hwnd) {
    if (!::IsWindow(hwnd)) return;
    ::ShowWindow(hwnd, SW_SHOWNORMAL);
    RaiseWindow(hwnd);
}

}  // namespace vt
