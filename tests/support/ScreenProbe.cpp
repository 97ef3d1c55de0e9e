#include "support/ScreenProbe.h"

#include "base/Win32Owners.h"

bool ShowsItsFrame(HWND w) {
    const COLORREF kFrame = RGB(0x3A, 0x46, 0x56);
    RECT rc;
    if (!IsWindowVisible(w) || !GetClientRect(w, &rc) || rc.right < 2 || rc.bottom < 2) return false;
    POINT corners[2] = {{0, rc.bottom - 1}, {rc.right - 1, rc.bottom - 1}};
    vt::WindowDc screen(nullptr);
    bool framed = true;
    for (POINT& pt : corners) {
        ClientToScreen(w, &pt);
        framed = framed && GetPixel(screen.Get(), pt.x, pt.y) == kFrame;
    }
    return framed;
}
