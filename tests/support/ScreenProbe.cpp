#include "support/ScreenProbe.h"

#include <climits>
#include <string>

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

namespace {

// Wine without a desktop shell docks tray icons in its own small window on
// the X display; each icon is a child window of it.
const wchar_t kWineTray[] = L"__winex11_standalone_tray";
const wchar_t kWineTrayIcon[] = L"__winex11_tray_icon";

struct NewestIconSearch {
    HWND icon = nullptr;
    LONG left = LONG_MIN;
};

BOOL CALLBACK VisitTrayChild(HWND child, LPARAM lp) {
    auto* f = reinterpret_cast<NewestIconSearch*>(lp);
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 63);
    RECT r;
    if (std::wstring(cls) == kWineTrayIcon && IsWindowVisible(child) && GetWindowRect(child, &r) &&
        r.left > f->left) {
        f->icon = child;
        f->left = r.left;
    }
    return TRUE;
}

}  // namespace

HWND NewestTrayIcon() {
    HWND tray = FindWindowW(kWineTray, nullptr);
    if (!tray || !IsWindowVisible(tray)) return nullptr;
    NewestIconSearch f;
    EnumChildWindows(tray, VisitTrayChild, reinterpret_cast<LPARAM>(&f));
    return f.icon;
}

bool PointAtTrayIcon() {
    HWND icon = NewestTrayIcon();
    RECT r;
    return icon && GetWindowRect(icon, &r) && SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

int PixelsOfColour(HWND w, RECT client, COLORREF color) {
    POINT a = {client.left, client.top}, b = {client.right, client.bottom};
    ClientToScreen(w, &a);
    ClientToScreen(w, &b);
    vt::WindowDc screen(nullptr);
    int n = 0;
    for (int y = a.y; y < b.y; ++y)
        for (int x = a.x; x < b.x; ++x)
            if (GetPixel(screen.Get(), x, y) == color) ++n;
    return n;
}
