#include "StuckApp.h"

#include "duilib/DuiMessages.h"
#include "state/WindowMessages.h"

namespace {

// The program's own names, as the setup program looks for them.
constexpr wchar_t kWindowClass[] = L"Velotune";
constexpr wchar_t kGuardName[] = L"Global\\{23076CD6-9899-4539-9F69-66C00851251A}";
constexpr WPARAM kExitItem = 3;

}  // namespace

CStuckApp::CStuckApp()
    : m_guard(CreateMutexW(nullptr, TRUE, kGuardName)), m_created(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    m_thread.Reset(CreateThread(nullptr, 0, &CStuckApp::ThreadMain, this, 0, nullptr));
    if (m_thread) WaitForSingleObject(m_created.Get(), 10000);
}

CStuckApp::~CStuckApp() {
    if (m_hwnd) PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
    if (m_thread) WaitForSingleObject(m_thread.Get(), 10000);
    if (m_guard) ReleaseMutex(m_guard.Get());
}

DWORD WINAPI CStuckApp::ThreadMain(void* param) {
    auto* self = static_cast<CStuckApp*>(param);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &CStuckApp::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, kWindowClass, L"Velotune", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
    if (hwnd) SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->m_hwnd = hwnd;
    SetEvent(self->m_created.Get());
    if (!hwnd) return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    UnregisterClassW(kWindowClass, wc.hInstance);
    return 0;
}

LRESULT CALLBACK CStuckApp::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CStuckApp*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case DuiLib::DUI_MSG_MENU_CLICK:
            if (self && wParam == kExitItem) ++self->m_exitRequests;
            return 0;
        case WM_CLOSE: DestroyWindow(hwnd); return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}
