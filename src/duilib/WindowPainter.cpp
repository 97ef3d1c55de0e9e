#include "duilib/WindowPainter.h"

#include "duilib/ContainerUI.h"
#include "duilib/ControlUI.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/Visibility.h"

namespace DuiLib {

void CWindowPainter::NewTree() {
    m_bUpdateNeeded = true;
    m_bFirstLayoutDone = false;
}

void CWindowPainter::UpdateLayout() {
    CControlUI* root = m_manager.GetRoot();
    const HWND hwnd = m_manager.GetPaintWindow();
    if (!root || !hwnd || !m_bUpdateNeeded) return;
    m_bUpdateNeeded = false;
    RECT rc;
    ::GetClientRect(hwnd, &rc);
    if (rc.right <= rc.left || rc.bottom <= rc.top) {
        m_bUpdateNeeded = true;  // lay out once there is room
        return;
    }
    root->SetPos(rc);
    // A layout change can move anything: repaint the whole window.
    ::InvalidateRect(hwnd, nullptr, FALSE);
    if (!m_bFirstLayoutDone) {
        m_bFirstLayoutDone = true;
        m_manager.SendNotify(root, DUI_MSGTYPE_WINDOWINIT, 0, 0, true);
    }
}

// A hidden or minimised window is painted whole when it is shown or
// restored, so nothing need be marked meanwhile. Building a layout marks the
// window a few times for every control, a hidden dial would mark it at every
// reading, and under Wine each mark is a round trip to the server.
void CWindowPainter::Invalidate() {
    const HWND hwnd = m_manager.GetPaintWindow();
    if (CVisibility::IsShown(hwnd)) ::InvalidateRect(hwnd, nullptr, FALSE);
}

void CWindowPainter::Invalidate(const RECT& rc) {
    const HWND hwnd = m_manager.GetPaintWindow();
    if (CVisibility::IsShown(hwnd)) ::InvalidateRect(hwnd, &rc, FALSE);
}

bool CWindowPainter::PaintNow(const RECT& rc) {
    const HWND hwnd = m_manager.GetPaintWindow();
    if (!CVisibility::IsShown(hwnd) || !m_manager.GetRoot() || m_bUpdateNeeded || !m_offscreen) return false;
    RECT client;
    ::GetClientRect(hwnd, &client);
    const SIZE have = m_offscreen.Size();
    if (have.cx != client.right || have.cy != client.bottom) return false;
    RECT r;
    if (!::IntersectRect(&r, &rc, &client)) return true;
    // Clipped to what is visible of the window, as a paint would be.
    if (!m_windowDc) m_windowDc.emplace(hwnd);
    if (!*m_windowDc) {
        m_windowDc.reset();
        return false;
    }
    PaintThroughBackBuffer(m_windowDc->Get(), r);
    return true;
}

namespace {

bool Holds(const RECT& outer, const RECT& inner) {
    RECT both;
    return ::IntersectRect(&both, &outer, &inner) && ::EqualRect(&both, &inner);
}

}  // namespace

// A parent clips its children to itself, so only a control whose parents
// all hold r can cover it; its own paint comes before its children's, and
// an earlier sibling's before a later one's.
CControlUI* CWindowPainter::Cover(CControlUI* control, const RECT& r) {
    if (!control->IsVisible() || !Holds(control->GetPos(), r)) return nullptr;
    CControlUI* found = control->CoversOpaquely(r) ? control : nullptr;
    if (control->IsContainer()) {
        const auto* box = static_cast<CContainerUI*>(control);
        for (int i = 0; i < box->GetCount(); ++i)
            if (CControlUI* inner = Cover(box->GetItemAt(i), r)) found = inner;
    }
    return found;
}

// What the tree paints before `from` lies under it inside r, so the paint
// starts there and then takes, at every level up, the controls that come
// after it. The back buffer's DC has no clip between paints, so no SaveDC
// is needed to put it back.
void CWindowPainter::PaintFrom(const RECT& r, CControlUI* from) {
    const HDC dc = m_offscreen.Dc();
    ::IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    from->DoPaint(dc, r);
    for (CControlUI *child = from, *parent = from->GetParent(); parent; child = parent, parent = parent->GetParent()) {
        if (!parent->IsContainer()) break;
        const auto* box = static_cast<CContainerUI*>(parent);
        bool after = false;
        for (int i = 0; i < box->GetCount(); ++i) {
            CControlUI* c = box->GetItemAt(i);
            RECT tmp;
            if (after && c->IsVisible() && ::IntersectRect(&tmp, &r, &c->GetPos())) c->DoPaint(dc, r);
            if (c == child) after = true;
        }
    }
    ::SelectClipRgn(dc, nullptr);
}

void CWindowPainter::PaintTo(HDC hDC, const RECT& rcPaint) {
    UpdateLayout();
    CControlUI* root = m_manager.GetRoot();
    if (!root) return;
    int saved = ::SaveDC(hDC);
    ::IntersectClipRect(hDC, rcPaint.left, rcPaint.top, rcPaint.right, rcPaint.bottom);
    root->DoPaint(hDC, rcPaint);
    ::RestoreDC(hDC, saved);
}

void CWindowPainter::OnPaint() {
    UpdateLayout();
    const HWND hwnd = m_manager.GetPaintWindow();
    PAINTSTRUCT ps;
    HDC hdc = ::BeginPaint(hwnd, &ps);
    RECT rcClient;
    ::GetClientRect(hwnd, &rcClient);
    SIZE need = {rcClient.right, rcClient.bottom};
    if (need.cx > 0 && need.cy > 0) {
        SIZE have = m_offscreen.Size();
        if (!m_offscreen || have.cx != need.cx || have.cy != need.cy) m_offscreen.Create(hdc, need.cx, need.cy);
        if (m_offscreen) {
            PaintThroughBackBuffer(hdc, ps.rcPaint);
        } else {
            PaintTo(hdc, ps.rcPaint);
        }
    }
    ::EndPaint(hwnd, &ps);
}

void CWindowPainter::OnPrintClient(HDC hDC) {
    RECT rcClient;
    ::GetClientRect(m_manager.GetPaintWindow(), &rcClient);
    PaintTo(hDC, rcClient);
}

void CWindowPainter::OnSize(bool minimised) {
    if (minimised) ReleaseBackBuffer();
    m_bUpdateNeeded = true;
    Invalidate();
}

void CWindowPainter::PaintThroughBackBuffer(HDC hdc, const RECT& r) {
    // Laid out already: OnPaint lays out first, PaintNow waits for it.
    CControlUI* root = m_manager.GetRoot();
    if (CControlUI* cover = root ? Cover(root, r) : nullptr) PaintFrom(r, cover);
    else PaintTo(m_offscreen.Dc(), r);
    ::BitBlt(hdc, r.left, r.top, r.right - r.left, r.bottom - r.top, m_offscreen.Dc(), r.left, r.top, SRCCOPY);
    KeepBackBufferForAWhile();
}

void CWindowPainter::KeepBackBufferForAWhile() {
    m_dwLastOffscreenUse = ::GetTickCount();
    // One timer while the buffer lives, not one reset per frame.
    if (!m_bOffscreenTimer)
        m_bOffscreenTimer = ::SetTimer(m_manager.GetPaintWindow(), kTimerId, kKeepMs, nullptr) != 0;
}

bool CWindowPainter::OnTimer(WPARAM id) {
    if (id != kTimerId) return false;
    if (::GetTickCount() - m_dwLastOffscreenUse >= kKeepMs) ReleaseBackBuffer();
    return true;
}

void CWindowPainter::ReleaseBackBuffer() {
    m_windowDc.reset();
    m_offscreen.Reset();
    if (m_bOffscreenTimer) ::KillTimer(m_manager.GetPaintWindow(), kTimerId);
    m_bOffscreenTimer = false;
}

}  // namespace DuiLib
