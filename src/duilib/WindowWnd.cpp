#include "duilib/WindowWnd.h"

#include "duilib/PaintManagerUI.h"
#include "duilib/DuiLog.h"
#include "duilib/Visibility.h"

namespace DuiLib {

CWindowWnd::~CWindowWnd() {
    // An object going while its window lives: detach, so no message reaches it.
    if (m_hWnd && ::IsWindow(m_hWnd)) ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
}

CWindowWnd* CWindowWnd::FromHandle(HWND hWnd) {
    if (!hWnd || !::IsWindow(hWnd)) return nullptr;
    if (reinterpret_cast<WNDPROC>(::GetClassLongPtrW(hWnd, GCLP_WNDPROC)) != &CWindowWnd::WndProc) return nullptr;
    return reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
}

bool CWindowWnd::RegisterWindowClass() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = GetClassStyle();
    wc.lpfnWndProc = &CWindowWnd::WndProc;
    wc.hInstance = CPaintManagerUI::GetInstance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = GetWindowClassName();
    if (::RegisterClassExW(&wc)) return true;
    return ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindowWnd::Create(HWND hwndParent, LPCWSTR pstrName, DWORD dwStyle, DWORD dwExStyle, const RECT& rc,
                        HMENU hMenu) {
    return Create(hwndParent, pstrName, dwStyle, dwExStyle, rc.left, rc.top, rc.right - rc.left,
                  rc.bottom - rc.top, hMenu);
}

HWND CWindowWnd::Create(HWND hwndParent, LPCWSTR pstrName, DWORD dwStyle, DWORD dwExStyle, int x, int y, int cx,
                        int cy, HMENU hMenu) {
    if (m_hWnd) return nullptr;  // one window per object
    if (!RegisterWindowClass()) {
        DUI_LOG_LASTERROR();
        return nullptr;
    }
    HWND h = ::CreateWindowExW(dwExStyle, GetWindowClassName(), pstrName ? pstrName : L"", dwStyle, x, y, cx, cy,
                               hwndParent, hMenu, CPaintManagerUI::GetInstance(), this);
    if (!h) DUI_LOG_LASTERROR();
    return h ? m_hWnd : nullptr;
}

void CWindowWnd::ShowWindow(bool bShow, bool bTakeFocus) {
    if (!::IsWindow(m_hWnd)) return;
    ::ShowWindow(m_hWnd, bShow ? (bTakeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

UINT CWindowWnd::ShowModal() {
    if (!::IsWindow(m_hWnd)) return 0;
    UINT nRet = 0;
    HWND hWnd = m_hWnd;
    HWND owner = ::GetWindow(hWnd, GW_OWNER);
    ::ShowWindow(hWnd, SW_SHOWNORMAL);
    ::SetForegroundWindow(hWnd);
    if (owner) ::EnableWindow(owner, FALSE);
    m_pModalResult = &nRet;
    m_hModalOwner = owner;
    MSG msg = {};
    bool quit = false;
    while (::IsWindow(hWnd)) {
        BOOL r = ::GetMessageW(&msg, nullptr, 0, 0);
        if (r <= 0) {
            quit = r == 0;
            break;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    // When the window is gone its object may be too: touch only locals then.
    if (::IsWindow(hWnd)) {
        m_pModalResult = nullptr;
        m_hModalOwner = nullptr;
    }
    if (owner && ::IsWindow(owner)) ::EnableWindow(owner, TRUE);
    if (quit) ::PostQuitMessage(static_cast<int>(msg.wParam));
    return nRet;
}

void CWindowWnd::Close(UINT nRet) {
    if (!::IsWindow(m_hWnd)) return;
    if (m_pModalResult) *m_pModalResult = nRet;
    ::PostMessageW(m_hWnd, WM_CLOSE, nRet, 0);
}

void CWindowWnd::CenterWindow() {
    if (::IsWindow(m_hWnd)) CenterOver(::GetWindow(m_hWnd, GW_OWNER));
}

void CWindowWnd::CenterOver(HWND owner) {
    if (!::IsWindow(m_hWnd)) return;
    if (owner && !::IsWindow(owner)) owner = nullptr;
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST), &mi);
    RECT area = mi.rcWork;
    RECT center = area;
    if (CVisibility::IsShown(owner)) ::GetWindowRect(owner, &center);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    int x = (center.left + center.right - w) / 2;
    int y = (center.top + center.bottom - h) / 2;
    if (x + w > area.right) x = area.right - w;
    if (y + h > area.bottom) y = area.bottom - h;
    if (x < area.left) x = area.left;
    if (y < area.top) y = area.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetIcon(UINT nRes) {
    if (!::IsWindow(m_hWnd)) return;
    HINSTANCE inst = CPaintManagerUI::GetInstance();
    vt::UniqueIcon big(static_cast<HICON>(::LoadImageW(inst, MAKEINTRESOURCEW(nRes), IMAGE_ICON,
                                                     ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0)));
    vt::UniqueIcon small(static_cast<HICON>(::LoadImageW(inst, MAKEINTRESOURCEW(nRes), IMAGE_ICON,
                                                       ::GetSystemMetrics(SM_CXSMICON),
                                                       ::GetSystemMetrics(SM_CYSMICON), 0)));
    if (big) ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.Get()));
    if (small) ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.Get()));
    if (big) m_hIconBig = std::move(big);
    if (small) m_hIconSmall = std::move(small);
}

void CWindowWnd::ResizeClient(int cx, int cy) {
    if (!::IsWindow(m_hWnd)) return;
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    if (cx >= 0) rc.right = cx;
    if (cy >= 0) rc.bottom = cy;
    ::AdjustWindowRectEx(&rc, static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)));
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

LRESULT CWindowWnd::SendMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::PostMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageW(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(m_hWnd, uMsg, wParam, lParam);
}

void CWindowWnd::OnFinalMessage(HWND) {}

LRESULT CALLBACK CWindowWnd::WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    CWindowWnd* self = nullptr;
    if (uMsg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<LPCREATESTRUCTW>(lParam);
        self = static_cast<CWindowWnd*>(cs->lpCreateParams);
        self->m_hWnd = hWnd;
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
    if (uMsg == WM_DESTROY && self->m_hModalOwner) {
        // Give the owner back its input before this window hides, so that
        // activation returns to it and not to some other program.
        ::EnableWindow(self->m_hModalOwner, TRUE);
        ::SetActiveWindow(self->m_hModalOwner);
        self->m_hModalOwner = nullptr;
    }
    if (uMsg == WM_NCDESTROY) {
        LRESULT r = self->HandleMessage(uMsg, wParam, lParam);
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
        self->m_pModalResult = nullptr;
        self->OnFinalMessage(hWnd);  // may delete the object: last use of self
        return r;
    }
    return self->HandleMessage(uMsg, wParam, lParam);
}

}  // namespace DuiLib
