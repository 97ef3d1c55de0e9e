#include "duilib/Visibility.h"

#include "base/SystemLibrary.h"
#include "duilib/WindowCover.h"

namespace DuiLib {

namespace {

// The real windows above one, as CWindowCover asks about them.
class CWindowsOnScreen final : public CWindowCover::IWindowsAbove {
public:
    explicit CWindowsOnScreen(HWND below) : m_window(below) {}

    bool Next() override {
        m_window = ::GetWindow(m_window, GW_HWNDPREV);
        return m_window != nullptr;
    }
    bool IsShown() override { return CVisibility::IsShown(m_window); }
    bool IsSeeThrough() override {
        return (::GetWindowLongW(m_window, GWL_EXSTYLE) & (WS_EX_LAYERED | WS_EX_TRANSPARENT)) != 0;
    }
    CDuiString ClassName() override {
        wchar_t cls[64] = {};
        ::GetClassNameW(m_window, cls, 64);
        return CDuiString(cls);
    }
    bool IsPopupOfThisProcess() override {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(m_window, &pid);
        return pid == ::GetCurrentProcessId() && ::GetWindow(m_window, GW_OWNER) != nullptr;
    }
    // A window on another virtual desktop, or of an app the system has
    // suspended, is cloaked: visible to every other question, yet not on
    // the screen. Systems without a compositor's answer cloak nothing.
    bool IsCloaked() override {
        using GetAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);
        static const vt::CSystemLibrary s_dwm(L"dwmapi.dll");
        static const GetAttributeFn s_getAttribute = s_dwm.Proc<GetAttributeFn>("DwmGetWindowAttribute");
        const DWORD kCloaked = 14;  // DWMWA_CLOAKED, Windows 8 and later
        DWORD cloaked = 0;
        return s_getAttribute && SUCCEEDED(s_getAttribute(m_window, kCloaked, &cloaked, sizeof(cloaked))) &&
               cloaked != 0;
    }
    bool GetRect(RECT& rc) override { return ::GetWindowRect(m_window, &rc) != FALSE; }

private:
    HWND m_window;
};

}  // namespace

bool CVisibility::IsShown(HWND hwnd) { return hwnd && ::IsWindowVisible(hwnd) && !::IsIconic(hwnd); }

bool CVisibility::IsSeen(HWND hwnd) {
    if (!IsShown(hwnd)) return false;
    const HWND top = ::GetAncestor(hwnd, GA_ROOT);
    RECT rect;
    if (!::GetWindowRect(top, &rect)) return true;
    CWindowsOnScreen above(top);
    return !CWindowCover::Covered(rect, above);
}

}  // namespace DuiLib
