#pragma once
// The one tooltip of a toolkit window: a tracking system tooltip that the
// paint manager shows for the control under a resting pointer and hides when
// the pointer leaves or presses. It keeps the system's colours (so a high
// contrast scheme applies) and takes a font scaled to the window's DPI.
#include <windows.h>
#include <commctrl.h>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"
#include "duilib/DuiString.h"

namespace DuiLib {

class CToolTipWnd : private vt::NonCopyable {
public:
    explicit CToolTipWnd(HWND owner) : m_hOwner(owner) {}

    // Shows `text` just below the screen point `pt`, kept on its monitor.
    void Show(LPCWSTR text, POINT pt, int dpi);
    void Hide();
    bool IsShown() const { return m_bShown; }
    HWND GetHWND() const { return m_hWnd.Get(); }

private:
    bool Create();
    void ApplyDpi(int dpi);
    TOOLINFOW ToolInfo(LPCWSTR text) const;

    HWND m_hOwner;
    vt::UniqueWindow m_hWnd;
    vt::UniqueFont m_font;
    CDuiString m_sText;
    int m_nDpi = 0;
    bool m_bShown = false;
};

}  // namespace DuiLib
