#pragma once
// One per window: the control tree, its layout and double-buffered painting,
// mouse and keyboard routing, control timers, fonts, default attributes, the
// image cache and notifications. The static part holds the process-wide
// instance and resource path.
#include <windows.h>

#include <map>
#include <memory>
#include <set>
#include <vector>

#include "base/NonCopyable.h"
#include "duilib/DibSurface.h"
#include "duilib/DuiString.h"
#include "duilib/NotifyUI.h"
#include "duilib/UIEvent.h"
#include "duilib/SkinImage.h"
#include "duilib/ToolTipWnd.h"
#include "base/Win32Owners.h"

namespace DuiLib {

class CControlUI;

class CPaintManagerUI : private vt::NonCopyable {
public:
    CPaintManagerUI();
    ~CPaintManagerUI();

    // Process-wide.
    static void SetInstance(HINSTANCE hInst);
    static HINSTANCE GetInstance();
    static CDuiString GetInstancePath();  // the executable's folder, with a trailing backslash
    static void SetResourcePath(LPCWSTR path);
    static const CDuiString& GetResourcePath();  // with a trailing backslash
    static CDuiString ResolvePath(LPCWSTR path);  // relative paths are rooted at the resource path
    // Reads a whole file; returns its size (0 on failure, data then empty).
    static DWORD LoadFileData(LPCWSTR path, std::vector<BYTE>& data, bool bResourceRelative = true);
    static void MessageLoop();  // returns after PostQuitMessage

    void Init(HWND hWnd);  // also takes the window's DPI
    HWND GetPaintWindow() const { return m_hWnd; }

    // Display scale. Every layout number of a skin is in pixels at 96 DPI;
    // the toolkit scales them by the window's DPI when it lays out and draws.
    static int QueryDpi(HWND hWnd);  // GetDpiForWindow where there is one, else the screen's LOGPIXELSY
    int GetDpi() const { return m_nDpi; }
    // A new DPI (WM_DPICHANGED): fonts and images are made again, the tree laid out again.
    void SetDpi(int dpi);
    int Scale(int v) const { return m_nDpi == 96 ? v : ::MulDiv(v, m_nDpi, 96); }
    RECT Scale(const RECT& rc) const { return RECT{Scale(rc.left), Scale(rc.top), Scale(rc.right), Scale(rc.bottom)}; }
    SIZE Scale(SIZE sz) const { return SIZE{Scale(sz.cx), Scale(sz.cy)}; }
    // The skin image file to read for a DPI: "x@2x.png" or "x@1.5x.png" when
    // there is one, exact or else the nearest larger; `factor` is its scale.
    static CDuiString FindImageVariant(LPCWSTR file, int dpi, double& factor);

    // The control tree (owned).
    bool AttachDialog(CControlUI* pRoot);
    CControlUI* GetRoot() const { return m_pRoot; }
    CControlUI* FindControl(LPCWSTR name) const;
    CControlUI* FindControl(POINT pt);  // lays the tree out first if needed
    void ReapObjects(CControlUI* pControl);  // a control is going away

    // The skin this window was built from (for log lines).
    void SetSkinName(LPCWSTR name) { m_sSkinName = name; }
    const CDuiString& GetSkinName() const { return m_sSkinName; }

    // Window attributes from the skin, as written (96 DPI).
    SIZE GetInitSize() const { return m_szInit; }
    void SetInitSize(int cx, int cy) { m_szInit = SIZE{cx, cy}; }
    RECT GetCaptionRect() const { return m_rcCaption; }
    void SetCaptionRect(const RECT& rc) { m_rcCaption = rc; }
    RECT GetSizeBox() const { return m_rcSizeBox; }
    void SetSizeBox(const RECT& rc) { m_rcSizeBox = rc; }
    SIZE GetMinInfo() const { return m_szMin; }
    void SetMinInfo(int cx, int cy) { m_szMin = SIZE{cx, cy}; }
    SIZE GetMaxInfo() const { return m_szMax; }
    void SetMaxInfo(int cx, int cy) { m_szMax = SIZE{cx, cy}; }

    // Fonts by id; an unknown id gives the default font.
    bool AddFont(int id, LPCWSTR face, int size, bool bold, bool underline, bool italic, bool isDefault);
    HFONT GetFont(int id) const;
    HFONT GetDefaultFont() const;

    // <Default name="Button" value="..."/>: applied before an element's own attributes.
    void AddDefaultAttributeList(LPCWSTR controlName, LPCWSTR attrList);
    LPCWSTR GetDefaultAttributeList(LPCWSTR controlName) const;

    // Images, decoded once and kept until the window goes or its DPI
    // changes; above 96 DPI at the window's scale (the nearest variant file,
    // resampled if it is not exact), so image pixels are layout pixels times
    // Scale. nullptr when the file is missing or unreadable (logged once per file).
    CSkinImage* GetImage(LPCWSTR file);
    void MarkImageReported(LPCWSTR file);

    // Control timers.
    // Whether the window's back buffer is held right now (it goes when idle).
    bool HasBackBuffer() const { return static_cast<bool>(m_offscreen); }
    // Whether anything painted now could be seen: the window is shown, not
    // minimised, and not wholly covered by shown windows above it.
    // Animations draw nothing otherwise.
    bool IsWindowSeen() const;
    // The same without the cover: the window is shown and not minimised.
    // Asks nothing about other windows (under Wine each such question is a
    // round trip to the wineserver), so it is cheap enough for every frame.
    bool IsWindowShown() const;
    bool SetTimer(CControlUI* pControl, UINT nTimerID, UINT uElapse);
    bool KillTimer(CControlUI* pControl, UINT nTimerID);
    void KillTimer(CControlUI* pControl);
    void RemoveAllTimers();

    // Keyboard focus, hot and pushed tracking.
    CControlUI* GetFocus() const { return m_pFocus; }
    void SetFocus(CControlUI* pControl);
    CControlUI* GetHot() const { return m_pEventHover; }
    // Tab and Shift+Tab: the next tab stop (CTabOrder); false when there is none.
    bool MoveFocus(bool forward);
    // A window that opens: its default button, else its first tab stop.
    void SetInitialFocus();
    CControlUI* GetDefaultButton() const;  // shown and enabled, or null
    // Keyboard cues (WM_UPDATEUISTATE): the focus ring shows once a key is
    // pressed, as Windows does, or at once when the user wants cues always;
    // and only while the window is the active one, so that a dialog over it
    // is the one place the screen shows a ring.
    bool IsFocusVisible() const { return m_bFocusVisible && ::GetActiveWindow() == m_hWnd; }
    void ShowFocusCues();
    DWORD GetFocusRingColor() const;  // the system's highlight in high contrast
    static bool IsHighContrast();

    // Screen readers. Every control has an id of its own for the window's life
    // (1, 2, ... in tab order as first seen); the children a reader sees are
    // the shown controls with a role, in tab order.
    static void SetTextLookup(CDuiString (*lookup)(LPCWSTR key));
    static CDuiString LookupText(LPCWSTR keyOrText);  // the text itself when there is no lookup or no such key
    LONG GetAccessibleId(CControlUI* pControl);  // 0: not in the tree
    CControlUI* FromAccessibleId(LONG id);
    std::vector<CControlUI*> GetAccessibleChildren();
    // NotifyWinEvent for a control (or, given null, the window's client object).
    void NotifyAccessible(DWORD event, CControlUI* pControl);
    // A reader's "do default action": carried out from the queue, after the
    // reader's call has returned, since it may open a modal dialog or close the window.
    void PostAccessibleAction(CControlUI* pControl);

    // The window's tooltip: the hot control's `tooltip`, once the pointer has
    // rested on it for the system's hover time; null until first needed.
    HWND GetToolTipWindow() const { return m_pToolTip ? m_pToolTip->GetHWND() : nullptr; }

    // Notifications.
    bool AddNotifier(INotifyUI* pNotifier);
    bool RemoveNotifier(INotifyUI* pNotifier);
    void SendNotify(CControlUI* pControl, LPCWSTR type, WPARAM wParam = 0, LPARAM lParam = 0, bool bAsync = false);
    void SendNotify(TNotifyUI& msg, bool bAsync = false);
    bool AddPreMessageFilter(IMessageFilterUI* pFilter);
    bool RemovePreMessageFilter(IMessageFilterUI* pFilter);

    // Painting and layout.
    void Invalidate();
    void Invalidate(const RECT& rc);
    // Draws `rc` at once through the back buffer, for an animation's frame:
    // a paint message costs several round trips to the window system a
    // frame. False, with nothing drawn, when the area must wait for a paint
    // message instead: no window, hidden or minimised, a layout pending, or
    // no back buffer of the window's size (the next paint makes one).
    bool PaintNow(const RECT& rc);
    void NeedUpdate() { m_bUpdateNeeded = true; }
    void UpdateLayout();  // lays the tree out now if anything changed
    void PaintTo(HDC hDC, const RECT& rcPaint);  // draws the tree on any DC

    // Visits every control of the tree.
    template <typename Fn>
    void ForEachControl(Fn fn) const;

    bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);

private:
    struct FontSpec {
        CDuiString face;
        int size;
        bool bold, underline, italic;
    };
    bool MakeFont(int id, const FontSpec& spec);
    std::unique_ptr<CSkinImage> LoadImageAtDpi(LPCWSTR file) const;
    void PaintThroughOffscreen(HDC hdc, const RECT& r);  // the back buffer (of the window's size) onto hdc
    void KeepOffscreenForAWhile();
    void ReleaseIdleOffscreen();
    void ReleaseOffscreen();
    // Below the range the controls' timers are numbered from (0x7100).
    static constexpr UINT kOffscreenTimerId = 0x7000;
    static constexpr UINT kToolTipTimerId = 0x7001;
    static constexpr DWORD kOffscreenKeepMs = 2000;
    struct TimerInfo {
        CControlUI* pSender;
        UINT nLocalID;
    };
    void SendEvent(CControlUI* pControl, int type, WPARAM wParam = 0, LPARAM lParam = 0, POINT pt = {0, 0},
                   wchar_t chKey = 0);
    void DrainAsyncNotify();
    void TrackMouse();  // for WM_MOUSELEAVE
    // The tooltip: shown once the pointer has rested on a newly hot control
    // for the system's hover time; hidden on leaving it, a press or a key.
    void ArmToolTip();
    void ShowToolTip();
    void HideToolTip();
    void VisitAll(CControlUI* pControl, void (*fn)(CControlUI*, void*), void* ctx) const;
    template <typename Fn>
    static void Thunk(CControlUI* c, void* ctx) {
        (*static_cast<Fn*>(ctx))(c);
    }

    HWND m_hWnd = nullptr;
    CControlUI* m_pRoot = nullptr;
    CControlUI* m_pFocus = nullptr;
    CControlUI* m_pEventHover = nullptr;
    CControlUI* m_pEventClick = nullptr;
    bool m_bMouseTracking = false;
    std::unique_ptr<CToolTipWnd> m_pToolTip;
    bool m_bUpdateNeeded = true;
    bool m_bFirstLayoutDone = false;
    CDuiString m_sSkinName;

    SIZE m_szInit = {0, 0};
    RECT m_rcCaption = {0, 0, 0, 0};
    RECT m_rcSizeBox = {0, 0, 0, 0};
    SIZE m_szMin = {0, 0};
    SIZE m_szMax = {0, 0};

    int m_nDpi = 96;
    std::map<int, FontSpec> m_fontSpecs;
    std::map<int, vt::UniqueFont> m_fonts;
    int m_nDefaultFontId = -1;
    vt::UniqueFont m_hSystemFont;
    std::map<CDuiString, CDuiString> m_defaultAttrs;
    std::map<CDuiString, std::unique_ptr<CSkinImage>> m_images;
    std::set<CDuiString> m_reportedImages;

    void AssignAccessibleIds();
    void OnKeyboardCue(WPARAM wParam);
    std::map<CControlUI*, LONG> m_accIds;
    std::vector<CControlUI*> m_accControls;  // by id - 1; null once a control is gone
    bool m_bFocusVisible = false;

    std::map<UINT, TimerInfo> m_timers;
    UINT m_nNextTimerID = 0x7100;

    std::vector<INotifyUI*> m_notifiers;
    std::vector<IMessageFilterUI*> m_preFilters;
    std::vector<TNotifyUI> m_asyncNotify;

    // The back buffer of the whole window (about 0.85 MiB at 100 %) is only
    // kept while painting goes on: it is let go once no paint has needed it
    // for kOffscreenKeepMs, and made again by the next paint.
    CDibSurface m_offscreen;
    DWORD m_dwLastOffscreenUse = 0;
    bool m_bOffscreenTimer = false;
};

template <typename Fn>
void CPaintManagerUI::ForEachControl(Fn fn) const {
    if (m_pRoot) VisitAll(m_pRoot, &Thunk<Fn>, &fn);
}

}  // namespace DuiLib
