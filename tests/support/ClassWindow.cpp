#include "support/ClassWindow.h"

#include "duilib/DuiMessages.h"

namespace {
constexpr wchar_t kWindowClass[] = L"Velotune";
constexpr WPARAM kExitItem = 3;
}  // namespace

CClassWindow::CClassWindow() : m_created(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    m_thread.Reset(CreateThread(nullptr, 0, &CClassWindow::ThreadMain, this, 0, nullptr));
    if (m_thread) WaitForSingleObject(m_created.Get(), 10000);
}

CClassWindow::~CClassWindow() {
    if (m_hwnd) PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
    if (m_thread) WaitForSingleObject(m_thread.Get(), 10000);
}

DWORD WINAPI CClassWindow::ThreadMain(void* param) {
    auto* self = static_cast<CClassWindow*>(param);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &CClassWindow::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"Velotune", WS_POPUP, 0, 0, 10, 10, nullptr,
                                nullptr, wc.hInstance, nullptr);
    if (hwnd) SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->m_hwnd = hwnd;
    SetEvent(self->m_created.Get());
    if (!hwnd) return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    UnregisterClassW(kWindowClass, wc.hInstance);
    return 0;
}

LRESULT CALLBACK CClassWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CClassWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case DuiLib::DUI_MSG_MENU_CLICK:
            if (self && wParam == kExitItem) ++self->m_exitRequests;
            return 0;
        case WM_SYSCOMMAND:
            if (self) ++self->m_frontRequests;
            return 0;
        case WM_WINDOWPOSCHANGING:
            if (self && !(reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_NOZORDER)) ++self->m_frontRequests;
            return 0;
        case WM_CLOSE: DestroyWindow(hwnd); return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}
