#include "duilib/ControlUI.h"

#include <oleacc.h>

#include "duilib/AttrParse.h"
#include "duilib/ImageDesc.h"
#include "duilib/NotifyUI.h"
#include "duilib/HighContrast.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/RenderEngine.h"

#include <algorithm>

namespace DuiLib {

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    if (m_pManager) m_pManager->ReapObjects(this);
}

LPCWSTR CControlUI::GetClass() const { return L"ControlUI"; }

LPVOID CControlUI::GetInterface(LPCWSTR pstrName) {
    return pstrName && wcscmp(pstrName, L"Control") == 0 ? this : nullptr;
}

void CControlUI::SetText(LPCWSTR pstrText) {
    if (m_sText == (pstrText ? pstrText : L"")) return;
    m_sText = pstrText;
    Invalidate();
    if (m_sAccName.IsEmpty() && m_pManager) m_pManager->NotifyAccessible(EVENT_OBJECT_NAMECHANGE, this);
}

bool CControlUI::IsTabStop() const { return m_bKeyboardEnabled && IsEnabled() && IsShownInTree(); }

bool CControlUI::IsShownInTree() const {
    for (const CControlUI* c = this; c; c = c->m_pParent)
        if (!c->IsVisible()) return false;
    return true;
}

CDuiString CControlUI::GetAccessibleName() const {
    if (!m_sAccName.IsEmpty()) return CPaintManagerUI::LookupText(m_sAccName);
    CDuiString text = GetText();
    if (!text.IsEmpty()) return text;
    return m_sToolTip;
}

void CControlUI::SetAccessibleName(LPCWSTR keyOrText) {
    m_sAccName = keyOrText;
    if (m_pManager) m_pManager->NotifyAccessible(EVENT_OBJECT_NAMECHANGE, this);
}

DWORD CControlUI::GetAccessibleRole() const {
    if (IsContainer()) return 0;
    // A picture says nothing to a screen reader unless it has words.
    if (m_sAccName.IsEmpty() && GetText().IsEmpty() && m_sToolTip.IsEmpty()) return 0;
    return ROLE_SYSTEM_STATICTEXT;
}

void CControlUI::SetAccessibleValue(LPCWSTR value) {
    if (m_sAccValue == (value ? value : L"")) return;
    m_sAccValue = value;
    if (m_pManager) m_pManager->NotifyAccessible(EVENT_OBJECT_VALUECHANGE, this);
}

void CControlUI::SetAccessibleDescription(LPCWSTR text) {
    if (m_sAccDescription == (text ? text : L"")) return;
    m_sAccDescription = text;
    if (m_pManager) m_pManager->NotifyAccessible(EVENT_OBJECT_DESCRIPTIONCHANGE, this);
}

void CControlUI::SetBkColor(DWORD argb) {
    if (m_dwBkColor == argb) return;
    m_dwBkColor = argb;
    Invalidate();
}

void CControlUI::SetBkImage(LPCWSTR image) {
    if (m_sBkImage == (image ? image : L"")) return;
    m_sBkImage = image;
    Invalidate();
}

void CControlUI::SetPos(RECT rc) {
    if (rc.right < rc.left) rc.right = rc.left;
    if (rc.bottom < rc.top) rc.bottom = rc.top;
    if (EqualRect(&rc, &m_rcItem)) return;
    Invalidate();
    m_rcItem = rc;
    Invalidate();
}

void CControlUI::SetFixedWidth(int cx) {
    if (cx >= 0) SetAndRelayout(m_cxyFixed.cx, cx);
}

void CControlUI::SetFixedHeight(int cy) {
    if (cy >= 0) SetAndRelayout(m_cxyFixed.cy, cy);
}

SIZE CControlUI::EstimateSize(SIZE) { return m_pManager ? m_pManager->Scale(m_cxyFixed) : m_cxyFixed; }

RECT CControlUI::ItemLess(const RECT& inset) const {
    const RECT scaled = m_pManager ? m_pManager->Scale(inset) : inset;
    return RECT{m_rcItem.left + scaled.left, m_rcItem.top + scaled.top, m_rcItem.right - scaled.right,
                m_rcItem.bottom - scaled.bottom};
}

RECT CControlUI::GetScaledPadding() const { return m_pManager ? m_pManager->Scale(m_rcPadding) : m_rcPadding; }

int CControlUI::Scaled(int v) const { return m_pManager ? m_pManager->Scale(v) : v; }

void CControlUI::SetVisible(bool bVisible) {
    if (m_bVisible == bVisible) return;
    bool wasVisible = IsVisible();
    m_bVisible = bVisible;
    if (!IsVisible() && m_bFocused && m_pManager) m_pManager->SetFocus(nullptr);
    if (wasVisible != IsVisible()) {
        NeedParentUpdate();
        if (m_pManager) m_pManager->NotifyAccessible(IsVisible() ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, this);
    }
}

void CControlUI::SetInternVisible(bool bVisible) {
    if (m_bInternVisible == bVisible) return;
    bool wasVisible = IsVisible();
    m_bInternVisible = bVisible;
    if (!IsVisible() && m_bFocused && m_pManager) m_pManager->SetFocus(nullptr);
    if (wasVisible != IsVisible() && m_pManager)
        m_pManager->NotifyAccessible(IsVisible() ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, this);
}

void CControlUI::SetEnabled(bool bEnable) {
    if (m_bEnabled == bEnable) return;
    m_bEnabled = bEnable;
    Invalidate();
    if (m_pManager) m_pManager->NotifyAccessible(EVENT_OBJECT_STATECHANGE, this);
}

void CControlUI::SetFocus() {
    if (m_pManager) m_pManager->SetFocus(this);
}

void CControlUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent) {
    m_pManager = pManager;
    m_pParent = pParent;
}

CControlUI* CControlUI::FindControlByName(LPCWSTR name) {
    return (name && m_sName == name) ? this : nullptr;
}

CControlUI* CControlUI::FindControlAt(POINT pt) {
    if (!IsVisible() || !m_bMouseEnabled) return nullptr;
    return PtInRect(&m_rcItem, pt) ? this : nullptr;
}

void CControlUI::VisitTree(void (*fn)(CControlUI*, void*), void* ctx) { fn(this, ctx); }

void CControlUI::Invalidate() {
    if (m_pManager && IsVisible()) m_pManager->Invalidate(m_rcItem);
}

void CControlUI::NeedUpdate() {
    if (!m_pManager) return;
    m_pManager->NeedUpdate();
    m_pManager->Invalidate();
}

void CControlUI::NeedParentUpdate() { NeedUpdate(); }

bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }

void CControlUI::Event(TEventUI& event) { DoEvent(event); }

void CControlUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UIEVENT_SETCURSOR:
            ::SetCursor(::LoadCursorW(nullptr, GetCursorShape()));
            return;
        case UIEVENT_SETFOCUS:
            m_bFocused = true;
            Invalidate();
            return;
        case UIEVENT_KILLFOCUS:
            m_bFocused = false;
            Invalidate();
            return;
        case UIEVENT_TIMER:
            if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_TIMER, event.wParam, event.lParam);
            return;
        default:
            if (m_pParent) m_pParent->DoEvent(event);
            return;
    }
}

bool CControlUI::SetImageAttribute(CDuiString& target, LPCWSTR value) {
    CImageDesc desc;
    if (value && *value && !desc.Parse(value)) return false;
    SetAndRepaint(target, value);
    return true;
}

bool CControlUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    const CDuiString name(pstrName);
    if (name == L"name") {
        m_sName = pstrValue;
    } else if (name == L"text") {
        SetText(pstrValue);
    } else if (name == L"tooltip") {
        m_sToolTip = pstrValue;
    } else if (name == L"userdata") {
        m_sUserData = pstrValue;
    } else if (name == L"pos") {
        RECT rc;
        if (!CAttrParse::Rect(pstrName, pstrValue, rc)) return false;
        m_rcFloat = rc;
        // A fixed control takes its size from pos; a floating one also its place.
        m_cxyFixed.cx = rc.right > rc.left ? rc.right - rc.left : 0;
        m_cxyFixed.cy = rc.bottom > rc.top ? rc.bottom - rc.top : 0;
        NeedParentUpdate();
    } else if (name == L"float") {
        bool on = false;
        if (!CAttrParse::Bool(pstrName, pstrValue, on)) return false;
        SetFloat(on);
    } else if (name == L"width" || name == L"height") {
        int v = 0;
        if (!CAttrParse::Int(pstrName, pstrValue, v) || v < 0) {
            if (v < 0) CAttrParse::SetError(L"negative %s '%s'", pstrName, pstrValue);
            return false;
        }
        if (name == L"width") SetFixedWidth(v);
        else SetFixedHeight(v);
    } else if (name == L"minwidth" || name == L"maxwidth" || name == L"minheight" || name == L"maxheight") {
        int v = 0;
        if (!CAttrParse::Int(pstrName, pstrValue, v)) return false;
        if (name == L"minwidth") m_cxyMin.cx = v;
        else if (name == L"maxwidth") m_cxyMax.cx = v;
        else if (name == L"minheight") m_cxyMin.cy = v;
        else m_cxyMax.cy = v;
        NeedParentUpdate();
    } else if (name == L"padding") {
        RECT rc;
        if (!CAttrParse::Rect(pstrName, pstrValue, rc)) return false;
        SetPadding(rc);
    } else if (name == L"bkcolor" || name == L"bordercolor") {
        DWORD c = 0;
        if (!CAttrParse::Color(pstrName, pstrValue, c)) return false;
        if (name == L"bkcolor") SetBkColor(c);
        else SetBorderColor(c);
    } else if (name == L"bordersize") {
        int v = 0;
        if (!CAttrParse::Int(pstrName, pstrValue, v)) return false;
        SetBorderSize(v);
    } else if (name == L"bkimage") {
        return SetImageAttribute(m_sBkImage, pstrValue);
    } else if (name == L"visible" || name == L"enabled" || name == L"mouse") {
        bool on = true;
        if (!CAttrParse::Bool(pstrName, pstrValue, on)) return false;
        if (name == L"visible") SetVisible(on);
        else if (name == L"enabled") SetEnabled(on);
        else m_bMouseEnabled = on;
    } else if (name == L"tabindex") {
        int v = 0;
        if (!CAttrParse::Int(pstrName, pstrValue, v) || v < 0) return false;
        m_nTabIndex = v;
    } else if (name == L"default") {
        if (!CAttrParse::Bool(pstrName, pstrValue, m_bDefaultButton)) return false;
    } else if (name == L"accname") {
        m_sAccName = pstrValue;
    } else if (name == L"accdescription") {
        m_sAccDescription = pstrValue;
    } else if (name == L"tag") {
        int v = 0;
        if (!CAttrParse::Int(pstrName, pstrValue, v)) return false;
        m_pTag = static_cast<UINT_PTR>(v);
    } else {
        CAttrParse::SetError(L"unknown attribute '%s' on <%s>", pstrName, GetClass());
        return false;
    }
    return true;
}

bool CControlUI::ApplyAttributeList(LPCWSTR pstrList) {
    std::vector<std::pair<CDuiString, CDuiString>> attrs;
    bool ok = CAttrParse::AttributeList(pstrList, attrs);
    for (auto& a : attrs)
        if (!SetAttribute(a.first, a.second)) ok = false;
    return ok;
}

void CControlUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    RECT tmp;
    if (!IntersectRect(&tmp, &rcPaint, &m_rcItem)) return;
    PaintBkColor(hDC);
    PaintBkImage(hDC);
    PaintStatusImage(hDC);
    PaintText(hDC);
    PaintBorder(hDC);
    if (m_bFocused && m_pManager && m_pManager->IsFocusVisible()) PaintFocusRing(hDC);
}

void CControlUI::PaintFocusRing(HDC hDC) {
    // Inside the control, as a parent clips what lies outside it; two layout
    // pixels wide at every scale.
    const int width = std::max(1, Scaled(2));
    RECT rc = m_rcItem;
    ::InflateRect(&rc, -std::max(1, Scaled(1)), -std::max(1, Scaled(1)));
    CRenderEngine::DrawBorder(hDC, rc, width, m_pManager->GetFocusRingColor());
}

void CControlUI::PaintBkColor(HDC hDC) {
    if (m_dwBkColor != 0) CRenderEngine::DrawColor(hDC, m_rcItem, CHighContrast::Pick(m_dwBkColor, COLOR_WINDOW));
}

void CControlUI::PaintBkImage(HDC hDC) {
    if (!m_sBkImage.IsEmpty()) DrawImage(hDC, m_sBkImage);
}

void CControlUI::PaintStatusImage(HDC) {}
void CControlUI::PaintText(HDC) {}

void CControlUI::PaintBorder(HDC hDC) {
    if (m_nBorderSize > 0)
        CRenderEngine::DrawBorder(hDC, m_rcItem, Scaled(m_nBorderSize), CHighContrast::Pick(m_dwBorderColor, COLOR_WINDOWTEXT));
}

bool CControlUI::DrawImage(HDC hDC, LPCWSTR pStrImage, LPCWSTR pStrModify) {
    return CRenderEngine::DrawImage(hDC, m_pManager, m_rcItem, pStrImage, pStrModify);
}

}  // namespace DuiLib
