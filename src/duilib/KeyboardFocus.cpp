#include "duilib/KeyboardFocus.h"

#include <oleacc.h>

#include "duilib/ControlUI.h"
#include "duilib/HighContrast.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/TabOrder.h"

namespace DuiLib {

void CKeyboardFocus::Init() {
    BOOL cuesAlways = FALSE;
    m_bRingShown = ::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cuesAlways, 0) && cuesAlways;
}

void CKeyboardFocus::Set(CControlUI* pControl) {
    if (pControl == m_pFocus) return;
    CControlUI* old = m_pFocus;
    m_pFocus = pControl;
    if (old) CPaintManagerUI::SendEvent(old, UIEVENT_KILLFOCUS);
    if (pControl && m_pFocus == pControl) {
        CPaintManagerUI::SendEvent(pControl, UIEVENT_SETFOCUS);
        const HWND hwnd = m_manager.GetPaintWindow();
        if (m_pFocus == pControl && hwnd && ::GetFocus() == hwnd)
            m_manager.NotifyAccessible(EVENT_OBJECT_FOCUS, pControl);
    }
}

bool CKeyboardFocus::Move(bool forward) {
    CControlUI* next = CTabOrder::Next(m_manager.GetRoot(), m_pFocus, forward);
    if (!next) return false;
    Set(next);
    return true;
}

CControlUI* CKeyboardFocus::DefaultButton() const {
    for (CControlUI* c : CTabOrder::Controls(m_manager.GetRoot()))
        if (c->IsDefaultButton() && c->IsEnabled() && c->IsShownInTree()) return c;
    return nullptr;
}

void CKeyboardFocus::SetInitial() {
    m_manager.UpdateLayout();
    CControlUI* first = DefaultButton();
    if (!first) first = CTabOrder::First(m_manager.GetRoot());
    if (first) Set(first);
    else m_manager.NotifyAccessible(EVENT_OBJECT_FOCUS, nullptr);
}

void CKeyboardFocus::Forget(CControlUI* pControl) {
    if (m_pFocus == pControl) m_pFocus = nullptr;
}

bool CKeyboardFocus::IsRingShown() const {
    return m_bRingShown && ::GetActiveWindow() == m_manager.GetPaintWindow();
}

void CKeyboardFocus::ShowCues() {
    const HWND hwnd = m_manager.GetPaintWindow();
    if (m_bRingShown || !hwnd) return;
    // The window system keeps the state per window and answers
    // WM_UPDATEUISTATE; the flag is set here too for systems that do not.
    ::SendMessageW(hwnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    OnKeyboardCue(MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS));
}

DWORD CKeyboardFocus::RingColor() {
    if (CHighContrast::IsOn()) return CHighContrast::SysColor(COLOR_HIGHLIGHT);
    // Light blue reads on the dark skins and on light ones alike.
    return 0xFF4DA3FF;
}

void CKeyboardFocus::OnKeyboardCue(WPARAM wParam) {
    if (!(HIWORD(wParam) & UISF_HIDEFOCUS)) return;
    bool visible = m_bRingShown;
    if (LOWORD(wParam) == UIS_CLEAR) visible = true;
    else if (LOWORD(wParam) == UIS_SET) visible = false;
    if (visible == m_bRingShown) return;
    m_bRingShown = visible;
    if (m_pFocus) m_pFocus->Invalidate();
}

void CKeyboardFocus::OnActivate() {
    if (m_pFocus) m_pFocus->Invalidate();
}

void CKeyboardFocus::OnWindowFocus() { m_manager.NotifyAccessible(EVENT_OBJECT_FOCUS, m_pFocus); }

bool CKeyboardFocus::OnKey(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    if (uMsg == WM_KEYDOWN) {
        ShowCues();
        if (wParam == VK_TAB && ::GetKeyState(VK_CONTROL) >= 0 && ::GetKeyState(VK_MENU) >= 0) {
            Move(::GetKeyState(VK_SHIFT) >= 0);
            lRes = 0;
            return true;
        }
    } else if (uMsg == WM_CHAR && wParam == L'\t') {
        lRes = 0;
        return true;
    }
    if (!m_pFocus) return false;
    const int type = uMsg == WM_KEYDOWN ? UIEVENT_KEYDOWN : uMsg == WM_KEYUP ? UIEVENT_KEYUP : UIEVENT_CHAR;
    CPaintManagerUI::SendEvent(m_pFocus, type, wParam, lParam, POINT{0, 0}, static_cast<wchar_t>(wParam));
    lRes = 0;
    return true;
}

}  // namespace DuiLib
