#include "duilib/HoverTip.h"

#include "duilib/ControlUI.h"
#include "duilib/PaintManagerUI.h"

namespace DuiLib {

void CHoverTip::Arm(CControlUI* hot) {
    // A timer of the system's hover time per newly hot control: the
    // tracking hover of TrackMouseEvent ends once it has fired, and whether a
    // second request restarts it differs between window managers.
    if (!hot || hot->GetToolTip().IsEmpty()) return;
    UINT hoverMs = 0;
    if (!::SystemParametersInfoW(SPI_GETMOUSEHOVERTIME, 0, &hoverMs, 0) || hoverMs == 0) hoverMs = 400;
    ::SetTimer(m_manager.GetPaintWindow(), kTimerId, hoverMs, nullptr);
}

bool CHoverTip::OnTimer(WPARAM id, CControlUI* hot) {
    if (id != kTimerId) return false;
    ::KillTimer(m_manager.GetPaintWindow(), kTimerId);
    Show(hot);
    return true;
}

void CHoverTip::Show(CControlUI* hot) {
    if (!hot || hot->GetToolTip().IsEmpty()) return;
    // The hover time can run out after the pointer has moved on but before
    // its moves have reached this window (a slow or busy machine): the tip
    // then named one control and stood where the pointer was not. It is
    // shown only for the control under the pointer now; otherwise the
    // moves still on their way decide, and the hover time starts again.
    POINT pt;
    if (!::GetCursorPos(&pt)) return;
    const HWND hwnd = m_manager.GetPaintWindow();
    POINT client = pt;
    ::ScreenToClient(hwnd, &client);
    CControlUI* under = m_manager.FindControl(client);
    if (under != hot) {
        if (under) Arm(hot);
        return;
    }
    if (!m_pToolTip) m_pToolTip.reset(new CToolTipWnd(hwnd));
    m_pToolTip->Show(hot->GetToolTip().GetData(), pt, m_manager.GetDpi());
}

void CHoverTip::Hide() {
    const HWND hwnd = m_manager.GetPaintWindow();
    if (hwnd) ::KillTimer(hwnd, kTimerId);
    if (m_pToolTip) m_pToolTip->Hide();
}

void CHoverTip::Destroy() { m_pToolTip.reset(); }

}  // namespace DuiLib
