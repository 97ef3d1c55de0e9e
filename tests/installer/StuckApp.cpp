#include "StuckApp.h"

#include "InstallProbe.h"
#include "duilib/DuiMessages.h"
#include "state/WindowMessages.h"

namespace {

// The program's own names, as the setup program looks for them.
constexpr wchar_t kWindowClass[] = L"Velotune";
constexpr wchar_t kGuardFile[] = L"\\Velotune.lock";

// The guard file of a copy running from the install folder: held open
// without sharing, as the program holds it.
HANDLE HoldGuard() {
    CreateDirectoryW(InstallProbe::InstallDir().c_str(), nullptr);
    return CreateFileW((InstallProbe::InstallDir() + kGuardFile).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                       FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}
constexpr WPARAM kExitItem = 3;

}  // namespace

CStuckApp::CStuckApp()
    : m_guard(HoldGuard()), m_created(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    m_thread.Reset(CreateThread(nullptr, 0, &CStuckApp::ThreadMain, this, 0, nullptr));
    if (m_thread) WaitForSingleObject(m_created.Get(), 10000);
}

CStuckApp::~CStuckApp() {
    if (m_hwnd) PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
    if (m_thread) WaitForSingleObject(m_thread.Get(), 10000);
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
