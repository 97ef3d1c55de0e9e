#include "duilib/ListUI.h"

#include "duilib/AttrParse.h"
#include "duilib/ListLabelElementUI.h"
#include "duilib/NotifyUI.h"
#include "duilib/PaintManagerUI.h"

namespace DuiLib {

LPCWSTR CListUI::GetClass() const { return L"ListUI"; }

LPVOID CListUI::GetInterface(LPCWSTR pstrName) { return InterfaceOf<CStackLayoutUI>(this, pstrName, L"List"); }

bool CListUI::SelectItem(int iIndex) {
    if (iIndex == m_iCurSel) return true;
    CControlUI* item = GetItemAt(iIndex);
    if (iIndex >= 0 && (!item || !item->IsEnabled())) return false;
    int old = m_iCurSel;
    m_iCurSel = iIndex;
    for (int i = 0; i < GetCount(); ++i) {
        auto* e = static_cast<CListLabelElementUI*>(GetItemAt(i)->GetInterface(L"ListLabelElement"));
        if (e) e->SetSelectedState(i == iIndex);
    }
    if (m_pManager && iIndex >= 0)
        m_pManager->SendNotify(this, DUI_MSGTYPE_ITEMSELECT, static_cast<WPARAM>(iIndex), old);
    return true;
}

bool CListUI::Remove(CControlUI* pControl) {
    int index = GetItemIndex(pControl);
    if (!CStackLayoutUI::Remove(pControl)) return false;
    if (index == m_iCurSel) m_iCurSel = -1;
    else if (index < m_iCurSel) --m_iCurSel;
    return true;
}

void CListUI::RemoveAll() {
    CStackLayoutUI::RemoveAll();
    m_iCurSel = -1;
}

bool CListUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    const CDuiString name(pstrName);
    DWORD* color = name == L"itemtextcolor"           ? &m_info.dwTextColor
                   : name == L"itemhottextcolor"      ? &m_info.dwHotTextColor
                   : name == L"itemselectedtextcolor" ? &m_info.dwSelectedTextColor
                   : name == L"itemdisabledtextcolor" ? &m_info.dwDisabledTextColor
                   : name == L"itemhotbkcolor"        ? &m_info.dwHotBkColor
                   : name == L"itemselectedbkcolor"   ? &m_info.dwSelectedBkColor
                                                      : nullptr;
    if (color) return CAttrParse::Color(pstrName, pstrValue, *color);
    if (name == L"itemfont") return CAttrParse::Int(pstrName, pstrValue, m_info.nFont);
    if (name == L"itemtextpadding") return CAttrParse::Rect(pstrName, pstrValue, m_info.rcTextPadding);
    if (name == L"itemalign") {
        CDuiString v(pstrValue);
        UINT h = v == L"left" ? DT_LEFT : v == L"center" ? DT_CENTER : v == L"right" ? DT_RIGHT : 0xFFFF;
        if (h == 0xFFFF) {
            CAttrParse::SetError(L"bad itemalign '%s'", pstrValue);
            return false;
        }
        m_info.uTextStyle = (m_info.uTextStyle & ~(DT_LEFT | DT_CENTER | DT_RIGHT)) | h;
        return true;
    }
    return CStackLayoutUI::SetAttribute(pstrName, pstrValue);
}

}  // namespace DuiLib
