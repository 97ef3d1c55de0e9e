#include "duilib/ToolTipWnd.h"

#include "base/SystemLibrary.h"
#include "duilib/PaintManagerUI.h"

namespace DuiLib {

namespace {

// The tooltip class is the only thing taken from the common controls.
// Loaded at the first tooltip, not with the program: under Wine the
// library's start registers every one of its window classes and sets up
// theming, which would delay the first window for nothing.
bool RegisterTooltipClass() {
    static const vt::CSystemLibrary s_library(L"comctl32.dll");
    static const bool s_registered = [] {
        auto init = s_library.Proc<decltype(&::InitCommonControlsEx)>("InitCommonControlsEx");
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
        return init && init(&icc);
    }();
    return s_registered;
}

// Widest a tip grows before it wraps, and its inner margin, at 96 DPI.
constexpr int kMaxWidth = 320;
constexpr int kMargin = 2;
}  // namespace

TOOLINFOW CToolTipWnd::ToolInfo(LPCWSTR text) const {
    TOOLINFOW ti = {};
    // The size of the first version: comctl32 5 and 6 both take it.
    ti.cbSize = TTTOOLINFOW_V1_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    ti.hwnd = m_hOwner;
    ti.uId = reinterpret_cast<UINT_PTR>(m_hOwner);
    ti.lpszText = const_cast<LPWSTR>(text);
    return ti;
}

bool CToolTipWnd::Create() {
    if (m_hWnd) return true;
    if (!RegisterTooltipClass()) return false;
    m_hWnd.Reset(::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSW, nullptr,
                                   WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, m_hOwner, nullptr,
                                   CPaintManagerUI::GetInstance(), nullptr));
    if (!m_hWnd) return false;
    TOOLINFOW ti = ToolInfo(L"");
    ::SendMessageW(m_hWnd.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    return true;
}

void CToolTipWnd::ApplyDpi(int dpi) {
    if (dpi == m_nDpi) return;
    m_nDpi = dpi;
    // The system's tooltip font is sized for the screen's DPI; this window
    // may sit on a monitor with another one.
    NONCLIENTMETRICSW ncm = {};
    ncm.cbSize = sizeof(ncm);
    LOGFONTW lf = {};
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) {
        lf = ncm.lfStatusFont;
        vt::WindowDc screen(nullptr);
        int screenDpi = screen ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
        if (screenDpi <= 0) screenDpi = 96;
        lf.lfHeight = ::MulDiv(lf.lfHeight, dpi, screenDpi);
    } else {
        lf.lfHeight = -::MulDiv(12, dpi, 96);
        lstrcpynW(lf.lfFaceName, L"Tahoma", LF_FACESIZE);
    }
    m_font.Reset(::CreateFontIndirectW(&lf));
    if (m_font) ::SendMessageW(m_hWnd.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
    const int margin = ::MulDiv(kMargin, dpi, 96);
    RECT rc = {margin, margin, margin, margin};
    ::SendMessageW(m_hWnd.Get(), TTM_SETMARGIN, 0, reinterpret_cast<LPARAM>(&rc));
    ::SendMessageW(m_hWnd.Get(), TTM_SETMAXTIPWIDTH, 0, ::MulDiv(kMaxWidth, dpi, 96));
}

void CToolTipWnd::Show(LPCWSTR text, POINT pt, int dpi) {
    if (!text || !*text || !Create()) return;
    Hide();
    ApplyDpi(dpi);
    m_sText = text;
    TOOLINFOW ti = ToolInfo(m_sText.GetData());
    ::SendMessageW(m_hWnd.Get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
    // The window's own text too: what a screen reader (and another process)
    // reads of a tooltip.
    ::SetWindowTextW(m_hWnd.Get(), m_sText.GetData());
    // Below the pointer, on the pointer's monitor even near its edges.
    const LRESULT bubble = ::SendMessageW(m_hWnd.Get(), TTM_GETBUBBLESIZE, 0, reinterpret_cast<LPARAM>(&ti));
    const int w = LOWORD(bubble), h = HIWORD(bubble);
    int x = pt.x, y = pt.y + ::MulDiv(20, dpi, 96);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    if (::GetMonitorInfoW(::MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), &mi)) {
        const RECT& a = mi.rcWork;
        if (x + w > a.right) x = a.right - w;
        if (x < a.left) x = a.left;
        if (y + h > a.bottom) y = pt.y - h - ::MulDiv(4, dpi, 96);
        if (y < a.top) y = a.top;
    }
    ::SendMessageW(m_hWnd.Get(), TTM_TRACKPOSITION, 0, MAKELPARAM(x, y));
    ::SendMessageW(m_hWnd.Get(), TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
    m_bShown = true;
}

void CToolTipWnd::Hide() {
    if (!m_bShown || !m_hWnd) return;
    m_bShown = false;
    TOOLINFOW ti = ToolInfo(m_sText.GetData());
    ::SendMessageW(m_hWnd.Get(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));
}

}  // namespace DuiLib
