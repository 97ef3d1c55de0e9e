#include "duilib/WindowCover.h"

#include "base/Win32Owners.h"

namespace DuiLib {

// Windows that never hide the dial for long, or only seem to: a tooltip, a
// menu or another popup this process owns (they go as soon as the user
// moves on), and the shell's own bars, which are topmost and may span the
// screen while showing next to nothing. Counting them as a cover would stop
// the dial's animation for as long as they stay.
bool CWindowCover::PassingOver(IWindowsAbove& window) {
    const CDuiString cls = window.ClassName();
    for (const wchar_t* shell : {L"tooltips_class32", L"#32768", L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd",
                                 L"Progman", L"WorkerW", L"NotifyIconOverflowWindow"})
        if (::lstrcmpiW(cls, shell) == 0) return true;
    return window.IsPopupOfThisProcess();
}

bool CWindowCover::Covered(const RECT& rect, IWindowsAbove& above) {
    if (::IsRectEmpty(&rect)) return false;
    vt::UniqueGdi<HRGN> left(::CreateRectRgnIndirect(&rect));
    if (!left) return false;
    while (above.Next()) {
        if (!above.IsShown() || above.IsSeeThrough() || PassingOver(above) || above.IsCloaked()) continue;
        RECT r;
        if (!above.GetRect(r)) continue;
        vt::UniqueGdi<HRGN> over(::CreateRectRgnIndirect(&r));
        if (over && ::CombineRgn(left.Get(), left.Get(), over.Get(), RGN_DIFF) == NULLREGION) return true;
    }
    return false;
}

}  // namespace DuiLib
