#pragma once
// Which control of a window has the keyboard: where Tab and Shift+Tab take
// it (CTabOrder), where it starts when the window opens, which keys go to
// it, and when its ring shows. The ring follows the keyboard cues
// (WM_UPDATEUISTATE): it shows once a key is pressed, as Windows does, or
// at once when the user wants cues always; and only while the window is
// the active one, so that a dialog over it is the one place with a ring.
#include <windows.h>

#include "base/NonCopyable.h"

namespace DuiLib {

class CControlUI;
class CPaintManagerUI;

class CKeyboardFocus : private vt::NonCopyable {
public:
    explicit CKeyboardFocus(CPaintManagerUI& manager) : m_manager(manager) {}

    void Init();  // reads whether the user wants keyboard cues always
    CControlUI* Get() const { return m_pFocus; }
    void Set(CControlUI* pControl);
    bool Move(bool forward);  // false when there is no tab stop
    void SetInitial();        // the default button, else the first tab stop
    CControlUI* DefaultButton() const;
    void NewTree() { m_pFocus = nullptr; }
    void Forget(CControlUI* pControl);  // a control is going away

    bool IsRingShown() const;
    void ShowCues();
    static DWORD RingColor();  // the system's highlight in high contrast

    // The window's messages.
    void OnKeyboardCue(WPARAM wParam);  // WM_UPDATEUISTATE
    void OnActivate();                  // WM_ACTIVATE: the ring comes and goes with it
    void OnWindowFocus();               // WM_SETFOCUS
    bool OnKey(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);  // WM_KEYDOWN, WM_KEYUP, WM_CHAR

private:
    CPaintManagerUI& m_manager;
    CControlUI* m_pFocus = nullptr;
    bool m_bRingShown = false;
};

}  // namespace DuiLib
