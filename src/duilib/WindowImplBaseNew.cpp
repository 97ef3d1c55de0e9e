#include "duilib/WindowImplBaseNew.h"

#include <oleacc.h>
#include <windowsx.h>

#include "duilib/AccessibilityLibrary.h"
#include "duilib/AccessibleRoot.h"
#include "duilib/ContainerUI.h"
#include "duilib/DialogBuilder.h"
#include "duilib/DialogBuilderCallback.h"
#include "duilib/HighContrast.h"

namespace DuiLib {

WindowImplBaseNew::~WindowImplBaseNew() { DisconnectAccessible(); }

void WindowImplBaseNew::SetResType(int type, LPCWSTR, int, LPCWSTR, bool) { m_nResType = type; }

void WindowImplBaseNew::InitWinParam(LPCWSTR skinFile) { m_sSkinFile = skinFile; }

HWND WindowImplBaseNew::CreateDuiWindow(HWND hwndParent, LPCWSTR pstrWindowName, IDialogBuilderCallback* factory,
                                        DWORD dwStyle, DWORD dwExStyle) {
    m_pFactory = factory;
    return Create(hwndParent, pstrWindowName, dwStyle, dwExStyle, 0, 0, 0, 0);
}

LPCWSTR WindowImplBaseNew::GetWindowClassName() const { return L"DuiLibWindow"; }

void WindowImplBaseNew::Notify(TNotifyUI& msg) {
    const CDuiString& t = msg.sType;
    if (t == DUI_MSGTYPE_CLICK) ClickNotify(msg);
    else if (t == DUI_MSGTYPE_SELECTCHANGED) SelectChangedNotify(msg);
    else if (t == DUI_MSGTYPE_ITEMSELECT) ItemSelectNotify(msg);
    else if (t == DUI_MSGTYPE_TEXTCHANGED) TextChangedNotify(msg);
    else if (t == DUI_MSGTYPE_KILLFOCUS) KillFocusNotify(msg);
    else if (t == DUI_MSGTYPE_LINK) LinkNotify(msg);
    else if (t == DUI_MSGTYPE_WINDOWINIT) WindowInitNotify(msg);
    else if (t == DUI_MSGTYPE_TIMER) TimerNotify(msg);
}

void WindowImplBaseNew::ClickNotify(TNotifyUI&) {}
void WindowImplBaseNew::SelectChangedNotify(TNotifyUI&) {}
void WindowImplBaseNew::ItemSelectNotify(TNotifyUI&) {}
void WindowImplBaseNew::TextChangedNotify(TNotifyUI&) {}
void WindowImplBaseNew::KillFocusNotify(TNotifyUI&) {}
void WindowImplBaseNew::LinkNotify(TNotifyUI&) {}
void WindowImplBaseNew::WindowInitNotify(TNotifyUI&) {}
void WindowImplBaseNew::TimerNotify(TNotifyUI&) {}
void WindowImplBaseNew::InitAfterCreate() {}
void WindowImplBaseNew::OnFinalMessage(HWND) {}

LRESULT WindowImplBaseNew::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool& bHandled) {
    if (uMsg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
        if (ResponseDefaultKeyEvent(wParam)) bHandled = true;
    }
    return 0;
}

LRESULT WindowImplBaseNew::ResponseDefaultKeyEvent(WPARAM wParam) {
    if (wParam == VK_ESCAPE) {
        Close(IDCANCEL);
        return TRUE;
    }
    if (wParam == VK_RETURN) {
        // A focused push button takes Enter itself; anywhere else Enter is
        // the default button's.
        CControlUI* focus = m_PaintManager.GetFocus();
        if (focus && focus->GetInterface(L"Button") && !focus->GetInterface(L"Option")) return FALSE;
        CControlUI* button = m_PaintManager.GetDefaultButton();
        if (!button) return FALSE;
        button->Activate();  // may close the window: nothing after this
        return TRUE;
    }
    return FALSE;
}

DWORD WindowImplBaseNew::GetAccessibleWindowRole() const { return ROLE_SYSTEM_CLIENT; }

LRESULT WindowImplBaseNew::OnGetObject(WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    bHandled = FALSE;
    if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT || !m_hWnd || !m_PaintManager.GetRoot()) return 0;
    const CAccessibilityLibrary& library = CAccessibilityLibrary::Get();
    if (!library.Ready()) return 0;  // the system's own answer, through DefWindowProc
    if (!m_accessible) {
        m_accessible.Reset();
        *m_accessible.Put() = new CAccessibleRoot(m_hWnd, &m_PaintManager, GetAccessibleWindowRole());
    }
    bHandled = TRUE;
    return library.ResultFromObject(CAccessibleRoot::Iid(), wParam, static_cast<IAccessible*>(m_accessible.Get()));
}

LRESULT WindowImplBaseNew::OnCreate(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = TRUE;
    // Skinned windows draw their own frame: no system caption or border.
    LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, (style & ~(WS_CAPTION | WS_THICKFRAME)) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    m_PaintManager.Init(m_hWnd);
    m_PaintManager.AddPreMessageFilter(this);
    IDialogBuilderCallback* factory = m_pFactory ? m_pFactory : dynamic_cast<IDialogBuilderCallback*>(this);
    CDialogBuilder builder;
    CControlUI* root = m_sSkinFile.IsEmpty() ? nullptr : builder.Create(m_sSkinFile, factory, &m_PaintManager);
    if (!root) root = new CContainerUI;  // the window still comes up, empty (the builder has logged why)
    m_PaintManager.AttachDialog(root);
    m_PaintManager.AddNotifier(this);
    // The skin's size wins; a window with neither a skin size nor a created
    // size gets a small default so that it is never invisible by accident.
    SIZE sz = m_PaintManager.Scale(m_PaintManager.GetInitSize());
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    int cx = sz.cx > 0 ? sz.cx : (rc.right - rc.left > 0 ? rc.right - rc.left : 320);
    int cy = sz.cy > 0 ? sz.cy : (rc.bottom - rc.top > 0 ? rc.bottom - rc.top : 200);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    InitAfterCreate();
    return 0;
}

LRESULT WindowImplBaseNew::OnClose(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBaseNew::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

void WindowImplBaseNew::DisconnectAccessible() {
    // Readers may hold the object past the window: it answers that the
    // window is gone rather than reach freed controls.
    if (m_accessible) m_accessible->Disconnect();
    m_accessible.Reset();
}

LRESULT WindowImplBaseNew::OnTimer(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBaseNew::OnKeyDown(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBaseNew::OnNcHitTest(UINT, WPARAM, LPARAM lParam, BOOL& bHandled) {
    bHandled = TRUE;
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::ScreenToClient(m_hWnd, &pt);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    if (!::IsZoomed(m_hWnd)) {
        RECT box = m_PaintManager.Scale(m_PaintManager.GetSizeBox());
        bool top = pt.y < rc.top + box.top, bottom = pt.y >= rc.bottom - box.bottom;
        bool left = pt.x < rc.left + box.left, right = pt.x >= rc.right - box.right;
        if (top && left) return HTTOPLEFT;
        if (top && right) return HTTOPRIGHT;
        if (bottom && left) return HTBOTTOMLEFT;
        if (bottom && right) return HTBOTTOMRIGHT;
        if (top) return HTTOP;
        if (bottom) return HTBOTTOM;
        if (left) return HTLEFT;
        if (right) return HTRIGHT;
    }
    RECT cap = m_PaintManager.Scale(m_PaintManager.GetCaptionRect());
    if (pt.x >= rc.left + cap.left && pt.x < rc.right - cap.right && pt.y >= cap.top && pt.y < cap.bottom) {
        CControlUI* c = m_PaintManager.FindControl(pt);
        if (!c || !c->IsInteractive()) return HTCAPTION;
    }
    return HTCLIENT;
}

LRESULT WindowImplBaseNew::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, BOOL& bHandled) {
    bHandled = FALSE;
    auto* mmi = reinterpret_cast<MINMAXINFO*>(lParam);
    SIZE mn = m_PaintManager.Scale(m_PaintManager.GetMinInfo()), mx = m_PaintManager.Scale(m_PaintManager.GetMaxInfo());
    if (mn.cx > 0) mmi->ptMinTrackSize.x = mn.cx;
    if (mn.cy > 0) mmi->ptMinTrackSize.y = mn.cy;
    if (mx.cx > 0) mmi->ptMaxTrackSize.x = mx.cx;
    if (mx.cy > 0) mmi->ptMaxTrackSize.y = mx.cy;
    return 0;
}

LRESULT WindowImplBaseNew::OnDpiChanged(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    bHandled = TRUE;
    // The new monitor's DPI is in the message: the window's own answer may
    // still be the old one while the message is being handled.
    m_PaintManager.SetDpi(LOWORD(wParam));
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    if (suggested) {
        // Moved and resized in one step; the paint manager paints off screen
        // and never erases, so the window shows only the old or the new layout.
        ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    m_PaintManager.UpdateLayout();
    return 0;
}

LRESULT WindowImplBaseNew::HandleCustomMessage(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBaseNew::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    LRESULT lRes = 0;
    BOOL bHandled = TRUE;
    switch (uMsg) {
        case WM_CREATE: lRes = OnCreate(uMsg, wParam, lParam, bHandled); break;
        case WM_CLOSE: lRes = OnClose(uMsg, wParam, lParam, bHandled); break;
        case WM_DESTROY:
            lRes = OnDestroy(uMsg, wParam, lParam, bHandled);
            DisconnectAccessible();
            break;
        case WM_TIMER: lRes = OnTimer(uMsg, wParam, lParam, bHandled); break;
        case WM_KEYDOWN: lRes = OnKeyDown(uMsg, wParam, lParam, bHandled); break;
        case WM_NCHITTEST: lRes = OnNcHitTest(uMsg, wParam, lParam, bHandled); break;
        case WM_GETMINMAXINFO: lRes = OnGetMinMaxInfo(uMsg, wParam, lParam, bHandled); break;
        case WM_DPICHANGED: lRes = OnDpiChanged(uMsg, wParam, lParam, bHandled); break;
        case WM_GETOBJECT: lRes = OnGetObject(wParam, lParam, bHandled); break;
        case WM_WINDOWPOSCHANGED: {
            // A window that opens (ShowWindow or SetWindowPos) starts at its
            // default button or first tab stop.
            const UINT flags = reinterpret_cast<const WINDOWPOS*>(lParam)->flags;
            if ((flags & SWP_SHOWWINDOW) && !m_PaintManager.GetFocus()) m_PaintManager.SetInitialFocus();
            if (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW))
                m_PaintManager.NotifyAccessible((flags & SWP_SHOWWINDOW) ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, nullptr);
            bHandled = FALSE;
            break;
        }
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE:
            // High contrast turned on or off, or the system's colours changed:
            // read once here, never while painting.
            if (uMsg == WM_SYSCOLORCHANGE || wParam == SPI_SETHIGHCONTRAST) {
                CHighContrast::Refresh();
                ::InvalidateRect(m_hWnd, nullptr, FALSE);
            }
            bHandled = FALSE;
            break;
        case WM_NCCALCSIZE: lRes = 0; break;  // the whole window is client area
        case WM_NCPAINT: lRes = 0; break;
        case WM_NCACTIVATE: lRes = ::IsIconic(m_hWnd) ? FALSE : TRUE; bHandled = !::IsIconic(m_hWnd); break;
        default: bHandled = FALSE; break;
    }
    if (bHandled) return lRes;
    lRes = HandleCustomMessage(uMsg, wParam, lParam, bHandled);
    if (bHandled) return lRes;
    if (m_PaintManager.MessageHandler(uMsg, wParam, lParam, lRes)) return lRes;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

}  // namespace DuiLib
