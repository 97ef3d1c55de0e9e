#pragma once
// One per window: the control tree, control timers, fonts, default
// attributes, the image cache and notifications. Controls reach the
// window's other parts through it, each of which decides one thing:
// CWindowPainter (layout and painting), CKeyboardFocus, CHoverTip,
// CAccessibleIndex (screen readers) and CMessageDispatch (which part a
// window message goes to, and which control the pointer's events). The
// static part holds the process-wide instance and resource path.
#include <windows.h>

#include <map>
#include <memory>
#include <set>
#include <vector>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"
#include "duilib/AccessibleIndex.h"
#include "duilib/DuiString.h"
#include "duilib/HoverTip.h"
#include "duilib/KeyboardFocus.h"
#include "duilib/MessageDispatch.h"
#include "duilib/NotifyUI.h"
#include "duilib/SkinImage.h"
#include "duilib/UIEvent.h"
#include "duilib/WindowPainter.h"

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
    bool SetTimer(CControlUI* pControl, UINT nTimerID, UINT uElapse);
    bool KillTimer(CControlUI* pControl, UINT nTimerID);
    void KillTimer(CControlUI* pControl);
    void RemoveAllTimers();

    // Keyboard focus (CKeyboardFocus), and the control under the pointer.
    CControlUI* GetFocus() const { return m_focus.Get(); }
    void SetFocus(CControlUI* pControl) { m_focus.Set(pControl); }
    CControlUI* GetHot() const { return m_dispatch.Hot(); }
    // Tab and Shift+Tab: the next tab stop (CTabOrder); false when there is none.
    bool MoveFocus(bool forward) { return m_focus.Move(forward); }
    // A window that opens: its default button, else its first tab stop.
    void SetInitialFocus() { m_focus.SetInitial(); }
    CControlUI* GetDefaultButton() const { return m_focus.DefaultButton(); }  // shown and enabled, or null
    bool IsFocusVisible() const { return m_focus.IsRingShown(); }
    void ShowFocusCues() { m_focus.ShowCues(); }
    DWORD GetFocusRingColor() const { return CKeyboardFocus::RingColor(); }
    static bool IsHighContrast();

    // Screen readers (CAccessibleIndex).
    static void SetTextLookup(CDuiString (*lookup)(LPCWSTR key)) { CAccessibleIndex::SetTextLookup(lookup); }
    static CDuiString LookupText(LPCWSTR keyOrText) { return CAccessibleIndex::LookupText(keyOrText); }
    LONG GetAccessibleId(CControlUI* pControl) { return m_access.IdOf(pControl); }  // 0: not in the tree
    CControlUI* FromAccessibleId(LONG id) { return m_access.FromId(id); }
    std::vector<CControlUI*> GetAccessibleChildren() { return m_access.Children(); }
    void NotifyAccessible(DWORD event, CControlUI* pControl) { m_access.Notify(event, pControl); }
    void PostAccessibleAction(CControlUI* pControl) { m_access.PostAction(pControl); }

    // The window's tooltip (CHoverTip); null until first needed.
    HWND GetToolTipWindow() const { return m_tip.GetHWND(); }

    // Notifications.
    bool AddNotifier(INotifyUI* pNotifier);
    bool RemoveNotifier(INotifyUI* pNotifier);
    void SendNotify(CControlUI* pControl, LPCWSTR type, WPARAM wParam = 0, LPARAM lParam = 0, bool bAsync = false);
    void SendNotify(TNotifyUI& msg, bool bAsync = false);
    bool AddPreMessageFilter(IMessageFilterUI* pFilter);
    bool RemovePreMessageFilter(IMessageFilterUI* pFilter);

    // Painting and layout (CWindowPainter).
    void Invalidate() { m_painter.Invalidate(); }
    void Invalidate(const RECT& rc) { m_painter.Invalidate(rc); }
    // Draws `rc` at once through the back buffer, for an animation's frame:
    // a paint message costs several round trips to the window system a
    // frame. False, with nothing drawn, when the area must wait for a paint
    // message instead: no window, hidden or minimised, a layout pending, or
    // no back buffer of the window's size (the next paint makes one).
    // Like a paint message's, the repaint starts at the last control whose
    // own paint covers rc with opaque pixels (CControlUI::CoversOpaquely).
    bool PaintNow(const RECT& rc) { return m_painter.PaintNow(rc); }
    void NeedUpdate() { m_painter.NeedUpdate(); }
    void UpdateLayout() { m_painter.UpdateLayout(); }  // lays the tree out now if anything changed
    void PaintTo(HDC hDC, const RECT& rcPaint) { m_painter.PaintTo(hDC, rcPaint); }  // draws the tree on any DC
    // Whether the window's back buffer is held right now (it goes when idle).
    bool HasBackBuffer() const { return m_painter.HasBackBuffer(); }

    // Visits every control of the tree.
    template <typename Fn>
    void ForEachControl(Fn fn) const;

    bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
        return m_dispatch.Handle(uMsg, wParam, lParam, lRes);
    }
    // Hands an input event to a control, as the window's messages do.
    static void SendEvent(CControlUI* pControl, int type, WPARAM wParam = 0, LPARAM lParam = 0, POINT pt = {0, 0},
                          wchar_t chKey = 0);

private:
    friend class CMessageDispatch;

    struct FontSpec {
        CDuiString face;
        int size;
        bool bold, underline, italic;
    };
    bool MakeFont(int id, const FontSpec& spec);
    std::unique_ptr<CSkinImage> LoadImageAtDpi(LPCWSTR file) const;
    struct TimerInfo {
        CControlUI* pSender;
        UINT nLocalID;
    };
    bool FireTimer(WPARAM id, LPARAM lParam);  // a control's timer: false when `id` is none of them
    static UINT AsyncNotifyMessage();
    void DrainAsyncNotify();
    void VisitAll(CControlUI* pControl, void (*fn)(CControlUI*, void*), void* ctx) const;
    template <typename Fn>
    static void Thunk(CControlUI* c, void* ctx) {
        (*static_cast<Fn*>(ctx))(c);
    }

    HWND m_hWnd = nullptr;
    CControlUI* m_pRoot = nullptr;
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

    std::map<UINT, TimerInfo> m_timers;
    UINT m_nNextTimerID = 0x7100;

    std::vector<INotifyUI*> m_notifiers;
    std::vector<IMessageFilterUI*> m_preFilters;
    std::vector<TNotifyUI> m_asyncNotify;

    CWindowPainter m_painter{*this};
    CKeyboardFocus m_focus{*this};
    CHoverTip m_tip{*this};
    CAccessibleIndex m_access{*this};
    CMessageDispatch m_dispatch{*this};
};

template <typename Fn>
void CPaintManagerUI::ForEachControl(Fn fn) const {
    if (m_pRoot) VisitAll(m_pRoot, &Thunk<Fn>, &fn);
}

}  // namespace DuiLib
