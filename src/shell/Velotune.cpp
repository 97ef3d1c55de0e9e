#include <windows.h>

#include "log/BaseLog.h"

namespace {

LRESULT CALLBACK PlaceholderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    LogStartup();
    VLOG("_tWinMain %S", commandLine);
    VLOG("start");

    WNDCLASSW wc = {};
    wc.lpfnWndProc = PlaceholderProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"Velotune";
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, L"Velotune", L"Velotune",
                                WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CAPTION, CW_USEDEFAULT,
                                CW_USEDEFAULT, 420, 520, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, SW_SHOW);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
