#include "duilib/MessageDispatch.h"

#include <windowsx.h>

#include <vector>

#include "duilib/ControlUI.h"
#include "duilib/PaintManagerUI.h"

namespace DuiLib {

namespace {
POINT PointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }
}  // namespace

const CMessageDispatch::Route CMessageDispatch::kRoutes[] = {
    {WM_ERASEBKGND, &CMessageDispatch::OnEraseBackground},
    {WM_PAINT, &CMessageDispatch::OnPaint},
    {WM_PRINTCLIENT, &CMessageDispatch::OnPrintClient},
    {WM_SHOWWINDOW, &CMessageDispatch::OnShowWindow},
    {WM_SIZE, &CMessageDispatch::OnSize},
    {WM_TIMER, &CMessageDispatch::OnTimer},
    {WM_MOUSEMOVE, &CMessageDispatch::OnMouseMove},
    {WM_MOUSELEAVE, &CMessageDispatch::OnMouseLeave},
    {WM_LBUTTONDOWN, &CMessageDispatch::OnButtonDown},
    {WM_LBUTTONDBLCLK, &CMessageDispatch::OnButtonDown},
    {WM_LBUTTONUP, &CMessageDispatch::OnButtonUp},
    {WM_CAPTURECHANGED, &CMessageDispatch::OnCaptureChanged},
    {WM_RBUTTONDOWN, &CMessageDispatch::OnRightButtonDown},
    {WM_SETCURSOR, &CMessageDispatch::OnSetCursor},
    {WM_UPDATEUISTATE, &CMessageDispatch::OnKeyboardCue},
    {WM_ACTIVATE, &CMessageDispatch::OnActivate},
    {WM_SETFOCUS, &CMessageDispatch::OnSetFocus},
    {WM_KEYDOWN, &CMessageDispatch::OnKey},
    {WM_KEYUP, &CMessageDispatch::OnKey},
    {WM_CHAR, &CMessageDispatch::OnKey},
    {WM_DESTROY, &CMessageDispatch::OnDestroy},
};

bool CMessageDispatch::Handle(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    if (!m_manager.GetPaintWindow()) return false;
    for (IMessageFilterUI* f : std::vector<IMessageFilterUI*>(m_manager.m_preFilters)) {
        bool handled = false;
        LRESULT r = f->MessageHandler(uMsg, wParam, lParam, handled);
        if (handled) {
            lRes = r;
            return true;
        }
    }
    if (uMsg == CPaintManagerUI::AsyncNotifyMessage()) {
        m_manager.DrainAsyncNotify();
        lRes = 0;
        return true;
    }
    // May close the window: nothing of this object after it.
    if (m_manager.m_access.OnMessage(uMsg, wParam)) {
        lRes = 0;
        return true;
    }
    for (const Route& route : kRoutes)
        if (route.message == uMsg) return (this->*route.handler)(uMsg, wParam, lParam, lRes);
    return false;
}

void CMessageDispatch::NewTree() { m_pEventHover = m_pEventClick = nullptr; }

void CMessageDispatch::Forget(CControlUI* pControl) {
    if (m_pEventHover == pControl) {
        m_pEventHover = nullptr;
        m_manager.m_tip.Hide();
    }
    if (m_pEventClick == pControl) m_pEventClick = nullptr;
}

// Painting.

bool CMessageDispatch::OnEraseBackground(UINT, WPARAM, LPARAM, LRESULT& lRes) {
    lRes = 1;
    return true;
}

bool CMessageDispatch::OnPaint(UINT, WPARAM, LPARAM, LRESULT& lRes) {
    m_manager.m_painter.OnPaint();
    lRes = 0;
    return true;
}

bool CMessageDispatch::OnPrintClient(UINT, WPARAM wParam, LPARAM, LRESULT& lRes) {
    m_manager.m_painter.OnPrintClient(reinterpret_cast<HDC>(wParam));
    lRes = 0;
    return true;
}

bool CMessageDispatch::OnShowWindow(UINT, WPARAM wParam, LPARAM, LRESULT&) {
    // Nothing is painted while hidden, and showing repaints it whole.
    if (!wParam) {
        m_manager.m_painter.ReleaseBackBuffer();
        m_manager.m_tip.Hide();
    }
    return false;
}

bool CMessageDispatch::OnSize(UINT, WPARAM wParam, LPARAM, LRESULT&) {
    m_manager.m_painter.OnSize(wParam == SIZE_MINIMIZED);
    return false;
}

bool CMessageDispatch::OnTimer(UINT, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    // The back buffer's, the tooltip's (no tip while a button is held), else a control's.
    if (!m_manager.m_painter.OnTimer(wParam) &&
        !m_manager.m_tip.OnTimer(wParam, m_pEventClick ? nullptr : m_pEventHover) &&
        !m_manager.FireTimer(wParam, lParam))
        return false;
    lRes = 0;
    return true;
}

// The pointer.

void CMessageDispatch::TrackMouse() {
    TRACKMOUSEEVENT tme = {sizeof(tme), TME_LEAVE, m_manager.GetPaintWindow(), 0};
    m_bMouseTracking = ::TrackMouseEvent(&tme) != FALSE;
}

bool CMessageDispatch::OnMouseMove(UINT, WPARAM wParam, LPARAM lParam, LRESULT&) {
    const POINT pt = PointOf(lParam);
    if (!m_bMouseTracking) TrackMouse();
    CControlUI* hover = m_manager.FindControl(pt);
    if (hover != m_pEventHover) {
        CControlUI* old = m_pEventHover;
        m_pEventHover = hover;
        m_manager.m_tip.Hide();
        m_manager.m_tip.Arm(m_pEventHover);  // the hover time starts again for the new control
        if (old) CPaintManagerUI::SendEvent(old, UIEVENT_MOUSELEAVE, wParam, lParam, pt);
        if (hover && m_pEventHover == hover)
            CPaintManagerUI::SendEvent(hover, UIEVENT_MOUSEENTER, wParam, lParam, pt);
    }
    if (m_pEventClick) CPaintManagerUI::SendEvent(m_pEventClick, UIEVENT_MOUSEMOVE, wParam, lParam, pt);
    else if (m_pEventHover) CPaintManagerUI::SendEvent(m_pEventHover, UIEVENT_MOUSEMOVE, wParam, lParam, pt);
    return false;
}

bool CMessageDispatch::OnMouseLeave(UINT, WPARAM wParam, LPARAM lParam, LRESULT&) {
    m_bMouseTracking = false;
    m_manager.m_tip.Hide();
    CControlUI* old = m_pEventHover;
    m_pEventHover = nullptr;
    if (old) CPaintManagerUI::SendEvent(old, UIEVENT_MOUSELEAVE, wParam, lParam, PointOf(lParam));
    return false;
}

bool CMessageDispatch::OnButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT&) {
    const POINT pt = PointOf(lParam);
    const HWND hwnd = m_manager.GetPaintWindow();
    m_manager.m_tip.Hide();
    ::SetFocus(hwnd);
    CControlUI* c = m_manager.FindControl(pt);
    if (!c || !c->IsEnabled()) {
        m_manager.SetFocus(nullptr);
        return false;
    }
    m_manager.SetFocus(c->IsKeyboardEnabled() ? c : nullptr);
    m_pEventClick = c;
    ::SetCapture(hwnd);
    CPaintManagerUI::SendEvent(c, uMsg == WM_LBUTTONDOWN ? UIEVENT_BUTTONDOWN : UIEVENT_DBLCLICK, wParam, lParam, pt);
    return false;
}

bool CMessageDispatch::OnButtonUp(UINT, WPARAM wParam, LPARAM lParam, LRESULT&) {
    CControlUI* c = m_pEventClick;
    m_pEventClick = nullptr;
    if (::GetCapture() == m_manager.GetPaintWindow()) ::ReleaseCapture();
    if (c) CPaintManagerUI::SendEvent(c, UIEVENT_BUTTONUP, wParam, lParam, PointOf(lParam));
    return false;
}

bool CMessageDispatch::OnCaptureChanged(UINT, WPARAM, LPARAM lParam, LRESULT&) {
    if (reinterpret_cast<HWND>(lParam) != m_manager.GetPaintWindow() && m_pEventClick) {
        CControlUI* c = m_pEventClick;
        m_pEventClick = nullptr;
        POINT away = {-1, -1};
        CPaintManagerUI::SendEvent(c, UIEVENT_BUTTONUP, 0, 0, away);  // released elsewhere: no click
    }
    return false;
}

bool CMessageDispatch::OnRightButtonDown(UINT, WPARAM wParam, LPARAM lParam, LRESULT&) {
    const POINT pt = PointOf(lParam);
    m_manager.m_tip.Hide();
    CControlUI* c = m_manager.FindControl(pt);
    if (c && c->IsEnabled()) CPaintManagerUI::SendEvent(c, UIEVENT_RBUTTONDOWN, wParam, lParam, pt);
    return false;
}

bool CMessageDispatch::OnSetCursor(UINT, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    if (LOWORD(lParam) != HTCLIENT) return false;
    POINT cur;
    ::GetCursorPos(&cur);
    ::ScreenToClient(m_manager.GetPaintWindow(), &cur);
    CControlUI* c = m_manager.FindControl(cur);
    if (!c) return false;
    CPaintManagerUI::SendEvent(c, UIEVENT_SETCURSOR, wParam, lParam, cur);
    lRes = TRUE;
    return true;
}

// The keyboard.

bool CMessageDispatch::OnKeyboardCue(UINT, WPARAM wParam, LPARAM, LRESULT&) {
    m_manager.m_focus.OnKeyboardCue(wParam);
    return false;
}

bool CMessageDispatch::OnActivate(UINT, WPARAM, LPARAM, LRESULT&) {
    m_manager.m_focus.OnActivate();
    return false;
}

bool CMessageDispatch::OnSetFocus(UINT, WPARAM, LPARAM, LRESULT&) {
    m_manager.m_focus.OnWindowFocus();
    return false;
}

bool CMessageDispatch::OnKey(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    if (uMsg == WM_KEYDOWN) m_manager.m_tip.Hide();
    return m_manager.m_focus.OnKey(uMsg, wParam, lParam, lRes);
}

bool CMessageDispatch::OnDestroy(UINT, WPARAM, LPARAM, LRESULT&) {
    m_manager.m_painter.ReleaseBackBuffer();  // and the window's DC with it
    m_manager.RemoveAllTimers();
    m_manager.m_tip.Destroy();
    return false;
}

}  // namespace DuiLib
