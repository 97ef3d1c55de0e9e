#pragma once
// When a window's tooltip shows, and for which control: once the pointer
// has rested on a newly hot control for the system's hover time, and then
// only if that control is still the one under the pointer; hidden when the
// pointer leaves it, on a press or a key, and when the window is hidden.
#include <windows.h>

#include <memory>

#include "base/NonCopyable.h"
#include "duilib/ToolTipWnd.h"

namespace DuiLib {

class CControlUI;
class CPaintManagerUI;

class CHoverTip : private vt::NonCopyable {
public:
    explicit CHoverTip(CPaintManagerUI& manager) : m_manager(manager) {}

    // The hover time starts (again) for `hot`, the control under the pointer.
    void Arm(CControlUI* hot);
    // The hover time has run out (WM_TIMER); `hot` is the control to show the
    // tip of, null when none should show. False when it was another timer.
    bool OnTimer(WPARAM id, CControlUI* hot);
    void Hide();
    void Destroy();  // the window goes
    HWND GetHWND() const { return m_pToolTip ? m_pToolTip->GetHWND() : nullptr; }

private:
    void Show(CControlUI* hot);
    // Below the range the controls' timers are numbered from (0x7100).
    static constexpr UINT kTimerId = 0x7001;

    CPaintManagerUI& m_manager;
    std::unique_ptr<CToolTipWnd> m_pToolTip;  // null until first needed
};

}  // namespace DuiLib
