#include "duilib/ListLabelElementUI.h"

#include <oleacc.h>

#include "duilib/ListUI.h"
#include "duilib/NotifyUI.h"
#include "duilib/HighContrast.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/RenderEngine.h"

namespace DuiLib {

CListLabelElementUI::CListLabelElementUI() { m_cxyFixed.cy = 24; }

LPCWSTR CListLabelElementUI::GetClass() const { return L"ListLabelElementUI"; }

LPVOID CListLabelElementUI::GetInterface(LPCWSTR pstrName) {
    if (pstrName && wcscmp(pstrName, L"ListItem") == 0) return this;
    return InterfaceOf<CLabelUI>(this, pstrName, L"ListLabelElement");
}

CListUI* CListLabelElementUI::GetOwnerList() const {
    return m_pParent ? static_cast<CListUI*>(m_pParent->GetInterface(L"List")) : nullptr;
}

bool CListLabelElementUI::Select(bool bSelect) {
    CListUI* list = GetOwnerList();
    if (!list) {
        SetSelectedState(bSelect);
        return true;
    }
    return list->SelectItem(bSelect ? list->GetItemIndex(this) : -1);
}

void CListLabelElementUI::SetSelectedState(bool on) {
    if (m_bSelected == on) return;
    m_bSelected = on;
    Invalidate();
    if (m_pManager) m_pManager->NotifyAccessible(EVENT_OBJECT_STATECHANGE, this);
}

DWORD CListLabelElementUI::GetAccessibleRole() const { return ROLE_SYSTEM_LISTITEM; }

bool CListLabelElementUI::Activate() {
    if (!CControlUI::Activate()) return false;
    if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_ITEMCLICK, static_cast<WPARAM>(m_pTag));
    return true;
}

void CListLabelElementUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK:
            m_bPushed = IsEnabled();
            return;
        case UIEVENT_BUTTONUP:
            if (m_bPushed && PtInRect(&m_rcItem, event.ptMouse) && IsEnabled()) {
                m_bPushed = false;
                Select(true);
                Activate();  // may close the window: nothing after this
                return;
            }
            m_bPushed = false;
            return;
        case UIEVENT_MOUSEMOVE:
            return;
        case UIEVENT_MOUSEENTER:
        case UIEVENT_MOUSELEAVE:
            m_bHot = event.Type == UIEVENT_MOUSEENTER && IsEnabled();
            Invalidate();
            return;
        default:
            break;
    }
    CLabelUI::DoEvent(event);
}

void CListLabelElementUI::PaintBkColor(HDC hDC) {
    CListUI* list = GetOwnerList();
    DWORD c = m_dwBkColor;
    if (list && IsEnabled()) {
        const TListInfoUI* info = list->GetListInfo();
        if (m_bSelected && info->dwSelectedBkColor) c = info->dwSelectedBkColor;
        else if (m_bHot && info->dwHotBkColor) c = info->dwHotBkColor;
    }
    if (CHighContrast::IsOn()) c = IsHighlightedRow() ? CHighContrast::SysColor(COLOR_HIGHLIGHT) : CHighContrast::Pick(c, COLOR_WINDOW);
    if (c) CRenderEngine::DrawColor(hDC, m_rcItem, c);
}

bool CListLabelElementUI::IsHighlightedRow() const { return IsEnabled() && (m_bSelected || m_bHot); }

void CListLabelElementUI::PaintText(HDC hDC) {
    CListUI* list = GetOwnerList();
    if (!list) {
        CLabelUI::PaintText(hDC);
        return;
    }
    const TListInfoUI* info = list->GetListInfo();
    DWORD c = info->dwTextColor;
    if (!IsEnabled()) c = info->dwDisabledTextColor;
    else if (m_bSelected && info->dwSelectedTextColor) c = info->dwSelectedTextColor;
    else if (m_bHot && info->dwHotTextColor) c = info->dwHotTextColor;
    if (CHighContrast::IsOn())
        c = CHighContrast::SysColor(!IsEnabled() ? COLOR_GRAYTEXT : IsHighlightedRow() ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    RECT rc = m_rcItem;
    RECT pad = (m_rcTextPadding.left || m_rcTextPadding.top || m_rcTextPadding.right || m_rcTextPadding.bottom)
                   ? m_rcTextPadding
                   : info->rcTextPadding;
    if (m_pManager) pad = m_pManager->Scale(pad);
    rc.left += pad.left;
    rc.top += pad.top;
    rc.right -= pad.right;
    rc.bottom -= pad.bottom;
    const int font = m_iFont >= 0 ? m_iFont : info->nFont;
    CRenderEngine::DrawText(hDC, m_pManager, rc, GetText(), c, font, info->uTextStyle);
    ReportIfClipped(hDC, rc, info->uTextStyle, font, GetText());
}

}  // namespace DuiLib
