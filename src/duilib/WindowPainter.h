#pragma once
// When a window's control tree is laid out and drawn. The layout waits for
// the next paint or hit test after a change. Painting goes through a back
// buffer of the whole window (about 0.85 MiB at 100 %), kept only while
// painting goes on: let go once no paint has needed it for kKeepMs, and at
// once when the window is hidden or minimised; the next paint makes it
// again. A window that is not shown is not marked for painting at all.
#include <windows.h>

#include <optional>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"
#include "duilib/DibSurface.h"

namespace DuiLib {

class CControlUI;
class CPaintManagerUI;

class CWindowPainter : private vt::NonCopyable {
public:
    explicit CWindowPainter(CPaintManagerUI& manager) : m_manager(manager) {}

    // Layout.
    void NeedUpdate() { m_bUpdateNeeded = true; }
    void NewTree();  // laid out afresh, and "windowinit" sent after the first layout
    void UpdateLayout();

    // Drawing; see CPaintManagerUI for what each promises.
    void Invalidate();
    void Invalidate(const RECT& rc);
    bool PaintNow(const RECT& rc);
    void PaintTo(HDC hDC, const RECT& rcPaint);
    bool HasBackBuffer() const { return static_cast<bool>(m_offscreen); }

    // The window's messages.
    void OnPaint();                  // WM_PAINT
    void OnPrintClient(HDC hDC);     // WM_PRINTCLIENT
    void ReleaseBackBuffer();        // hidden or minimised
    bool OnTimer(WPARAM id);         // true when it was the back buffer's
    void OnSize(bool minimised);     // WM_SIZE

private:
    // r painted onto the back buffer (of the window's size), from the last
    // control that covers it with opaque pixels or else from the root, and
    // from there onto hdc.
    void PaintThroughBackBuffer(HDC hdc, const RECT& r);
    static CControlUI* Cover(CControlUI* control, const RECT& r);  // in control's subtree; null when none
    void PaintFrom(const RECT& r, CControlUI* from);
    void KeepBackBufferForAWhile();
    // Below the range the controls' timers are numbered from (0x7100).
    static constexpr UINT kTimerId = 0x7000;
    static constexpr DWORD kKeepMs = 2000;

    CPaintManagerUI& m_manager;
    bool m_bUpdateNeeded = true;
    bool m_bFirstLayoutDone = false;
    CDibSurface m_offscreen;
    DWORD m_dwLastOffscreenUse = 0;
    bool m_bOffscreenTimer = false;
    // The window's DC for quick frames, kept as long as the back buffer:
    // asking for it and giving it back at every frame costs round trips.
    std::optional<vt::WindowDc> m_windowDc;
};

}  // namespace DuiLib
