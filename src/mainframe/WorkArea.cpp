#include "mainframe/WorkArea.h"

void CWorkArea::KeepInside(HWND hwnd) {
    RECT work, rc;
    if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) || !::GetWindowRect(hwnd, &rc)) return;
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    bool moved = false;
    if (rc.left < work.left) { rc.left = work.left; rc.right = work.left + w; moved = true; }
    if (rc.top < work.top) { rc.top = work.top; rc.bottom = work.top + h; moved = true; }
    if (rc.right > work.right) { rc.right = work.right; rc.left = work.right - w; moved = true; }
    if (rc.bottom > work.bottom) { rc.bottom = work.bottom; rc.top = work.bottom - h; moved = true; }
    if (moved) ::SetWindowPos(hwnd, HWND_TOPMOST, rc.left, rc.top, w, h, SWP_SHOWWINDOW);
}

bool CWorkArea::Corner(HWND hwnd, RECT& rc) {
    RECT work;
    if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) || !::GetWindowRect(hwnd, &rc)) return false;
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    rc = RECT{work.right - w, work.bottom - h, work.right, work.bottom};
    return true;
}

void CWorkArea::PlaceAtCorner(HWND hwnd) {
    // Its first frame is painted where it stays. The update check's answer
    // (UM_SHOW_AT_CORNER) comes only after that frame, and then finds it
    // already there.
    RECT rc;
    if (Corner(hwnd, rc))
        ::SetWindowPos(hwnd, nullptr, rc.left, rc.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CWorkArea::MoveToCorner(HWND hwnd) {
    RECT rc;
    if (!Corner(hwnd, rc)) return false;
    ::SetWindowPos(hwnd, HWND_TOPMOST, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, SWP_SHOWWINDOW);
    return true;
}
