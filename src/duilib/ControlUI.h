#pragma once
// The base of every control: name, text, position and size rules, colours
// and images, visibility and state, events and painting.
#include <windows.h>

#include <cwchar>

#include "base/NonCopyable.h"
#include "duilib/DuiString.h"
#include "duilib/UIEvent.h"

namespace DuiLib {

class CPaintManagerUI;

// Button-like state bits.
enum : UINT {
    UISTATE_FOCUSED = 0x01,
    UISTATE_SELECTED = 0x02,
    UISTATE_DISABLED = 0x04,
    UISTATE_HOT = 0x08,
    UISTATE_PUSHED = 0x10,
    UISTATE_CAPTURED = 0x40,
};

class CControlUI : private vt::NonCopyable {
public:
    CControlUI();
    virtual ~CControlUI();

    virtual LPCWSTR GetClass() const;
    virtual LPVOID GetInterface(LPCWSTR pstrName);
    virtual bool IsContainer() const { return false; }
    // Buttons, options, edits and list items take the mouse; elsewhere the
    // caption area of a window drags it.
    virtual bool IsInteractive() const { return false; }
    // The pointer's shape over the control (an IDC_ system cursor).
    virtual LPCWSTR GetCursorShape() const { return IDC_ARROW; }

    const CDuiString& GetName() const { return m_sName; }
    void SetName(LPCWSTR name) { m_sName = name; }
    virtual CDuiString GetText() const { return m_sText; }
    virtual void SetText(LPCWSTR pstrText);
    const CDuiString& GetToolTip() const { return m_sToolTip; }
    void SetToolTip(LPCWSTR text) { m_sToolTip = text; }
    const CDuiString& GetUserData() const { return m_sUserData; }
    void SetUserData(LPCWSTR text) { m_sUserData = text; }
    UINT_PTR GetTag() const { return m_pTag; }
    void SetTag(UINT_PTR tag) { m_pTag = tag; }
    bool IsCallBack() const { return m_bCallBack; }
    void SetCallBack(bool on) { m_bCallBack = on; }

    DWORD GetBkColor() const { return m_dwBkColor; }
    void SetBkColor(DWORD argb);
    const CDuiString& GetBkImage() const { return m_sBkImage; }
    void SetBkImage(LPCWSTR image);
    void SetBorderColor(DWORD argb) { SetAndRepaint(m_dwBorderColor, argb); }
    void SetBorderSize(int size) { SetAndRepaint(m_nBorderSize, size < 0 ? 0 : size); }

    // Position: the rectangle given by the parent's layout, in device pixels.
    // Every other size, padding and position here is in layout pixels (96
    // DPI) as the skin writes them; EstimateSize and the Scaled helpers give
    // device pixels.
    const RECT& GetPos() const { return m_rcItem; }
    virtual void SetPos(RECT rc);
    RECT GetPadding() const { return m_rcPadding; }
    RECT GetScaledPadding() const;
    int Scaled(int v) const;  // layout pixels to this window's device pixels
    void SetPadding(RECT rc) { SetAndRelayout(m_rcPadding, rc); }
    int GetFixedWidth() const { return m_cxyFixed.cx; }
    void SetFixedWidth(int cx);
    int GetFixedHeight() const { return m_cxyFixed.cy; }
    void SetFixedHeight(int cy);
    int GetMinWidth() const { return m_cxyMin.cx; }
    int GetMaxWidth() const { return m_cxyMax.cx; }
    int GetMinHeight() const { return m_cxyMin.cy; }
    int GetMaxHeight() const { return m_cxyMax.cy; }
    bool IsFloat() const { return m_bFloat; }
    void SetFloat(bool on) { SetAndRelayout(m_bFloat, on); }
    // For a floating control: left, top, right, bottom relative to the parent.
    RECT GetFloatPos() const { return m_rcFloat; }
    void SetFloatPos(RECT rc) { SetAndRelayout(m_rcFloat, rc); }
    // Fixed size in device pixels (0 = take what the layout gives).
    virtual SIZE EstimateSize(SIZE szAvailable);

    virtual bool IsVisible() const { return m_bVisible && m_bInternVisible; }
    virtual void SetVisible(bool bVisible = true);
    virtual void SetInternVisible(bool bVisible = true);  // set by tab layouts
    virtual bool IsEnabled() const { return m_bEnabled; }
    virtual void SetEnabled(bool bEnable = true);
    bool IsMouseEnabled() const { return m_bMouseEnabled; }
    void SetMouseEnabled(bool on) { m_bMouseEnabled = on; }
    bool IsKeyboardEnabled() const { return m_bKeyboardEnabled; }
    void SetKeyboardEnabled(bool on) { m_bKeyboardEnabled = on; }
    bool IsFocused() const { return m_bFocused; }
    virtual void SetFocus();
    // A tab stop: keyboard-enabled, shown and enabled.
    bool IsTabStop() const;
    // Keyboard order: "tabindex" values first (lowest first), then the skin's order.
    int GetTabIndex() const { return m_nTabIndex; }
    // The button Enter presses in a dialog ("default" in the skin).
    bool IsDefaultButton() const { return m_bDefaultButton; }

    // What a screen reader is told. Name: "accname" (a language key, looked
    // up through CPaintManagerUI::SetTextLookup), else the text, else the
    // tooltip. Role: a ROLE_SYSTEM_ value of oleacc; 0 leaves the control out
    // (containers and pictures without words).
    virtual CDuiString GetAccessibleName() const;
    void SetAccessibleName(LPCWSTR keyOrText);
    virtual DWORD GetAccessibleRole() const;
    virtual CDuiString GetAccessibleValue() const { return m_sAccValue; }
    void SetAccessibleValue(LPCWSTR value);  // tells listeners when it changes
    const CDuiString& GetAccessibleDescription() const { return m_sAccDescription; }
    void SetAccessibleDescription(LPCWSTR text);
    const CDuiString& GetAccessibleShortcut() const { return m_sAccShortcut; }
    void SetAccessibleShortcut(LPCWSTR text) { m_sAccShortcut = text; }
    // Shown, here and in every parent.
    bool IsShownInTree() const;

    CControlUI* GetParent() const { return m_pParent; }
    CPaintManagerUI* GetManager() const { return m_pManager; }
    virtual void SetManager(CPaintManagerUI* pManager, CControlUI* pParent);

    // Lookup in this subtree.
    virtual CControlUI* FindControlByName(LPCWSTR name);
    virtual CControlUI* FindControlAt(POINT pt);
    virtual void VisitTree(void (*fn)(CControlUI*, void*), void* ctx);

    void Invalidate();
    void NeedUpdate();        // this control's size rules changed
    void NeedParentUpdate();  // same, seen from the parent

    virtual bool Activate();  // the control's action (click); false when disabled or hidden
    virtual void DoInit() {}
    void Event(TEventUI& event);  // entry point of the paint manager
    virtual void DoEvent(TEventUI& event);

    // False (with CAttrParse's error set) for an unknown name or a bad value.
    virtual bool SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue);
    bool ApplyAttributeList(LPCWSTR pstrList);

    virtual void DoPaint(HDC hDC, const RECT& rcPaint);
    // True when this control's own paint gives every pixel of rc (inside
    // it) an opaque colour, so that nothing painted under it shows there.
    virtual bool CoversOpaquely(const RECT&) const { return false; }
    virtual void PaintBkColor(HDC hDC);
    virtual void PaintBkImage(HDC hDC);
    virtual void PaintStatusImage(HDC hDC);
    virtual void PaintText(HDC hDC);
    virtual void PaintBorder(HDC hDC);

    // Draws an image description inside the control (modify: extra
    // "dest='...'"-style keys that override the description's own).
    bool DrawImage(HDC hDC, LPCWSTR pStrImage, LPCWSTR pStrModify = nullptr);

protected:
    // A change to how the control looks repaints it; a change to the room
    // it takes lays the window out again.
    template <typename T, typename V>
    void SetAndRepaint(T& field, const V& value) {
        field = value;
        Invalidate();
    }
    template <typename T, typename V>
    void SetAndRelayout(T& field, const V& value) {
        field = value;
        NeedParentUpdate();
    }
    // An image description from the skin, refused (false) when it does not
    // parse; an empty one clears the image.
    bool SetImageAttribute(CDuiString& target, LPCWSTR value);
    // The item rectangle less `inset` (layout pixels, scaled to this window).
    RECT ItemLess(const RECT& inset) const;

    CPaintManagerUI* m_pManager = nullptr;
    CControlUI* m_pParent = nullptr;
    CDuiString m_sName;
    CDuiString m_sText;
    CDuiString m_sToolTip;
    CDuiString m_sUserData;
    UINT_PTR m_pTag = 0;
    bool m_bCallBack = false;

    RECT m_rcItem = {0, 0, 0, 0};
    RECT m_rcPadding = {0, 0, 0, 0};
    SIZE m_cxyFixed = {0, 0};
    SIZE m_cxyMin = {0, 0};
    SIZE m_cxyMax = {99999, 99999};
    bool m_bFloat = false;
    RECT m_rcFloat = {0, 0, 0, 0};

    bool m_bVisible = true;
    bool m_bInternVisible = true;
    bool m_bEnabled = true;
    bool m_bMouseEnabled = true;
    bool m_bKeyboardEnabled = false;
    bool m_bFocused = false;
    int m_nTabIndex = 0;
    bool m_bDefaultButton = false;
    CDuiString m_sAccName;
    CDuiString m_sAccValue;
    CDuiString m_sAccDescription;
    CDuiString m_sAccShortcut;

    // The focus ring, when the window shows keyboard cues.
    void PaintFocusRing(HDC hDC);

    DWORD m_dwBkColor = 0;
    CDuiString m_sBkImage;
    DWORD m_dwBorderColor = 0;
    int m_nBorderSize = 0;
};

// GetInterface of a control class: its own interface name gives the
// control, any other is asked of the class it derives from.
template <typename Base, typename Self>
LPVOID InterfaceOf(Self* self, LPCWSTR asked, LPCWSTR own) {
    return asked && wcscmp(asked, own) == 0 ? static_cast<LPVOID>(self) : self->Base::GetInterface(asked);
}

// The control `name` of a window's layout as its own class T, found by the
// interface name that class answers to; null when there is no such control
// or it is of another class.
template <typename T, typename Manager>
T* FindControlAs(const Manager& manager, LPCWSTR name, LPCWSTR interfaceName) {
    CControlUI* control = manager.FindControl(name);
    return control ? static_cast<T*>(control->GetInterface(interfaceName)) : nullptr;
}

}  // namespace DuiLib
