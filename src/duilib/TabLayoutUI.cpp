#include "duilib/TabLayoutUI.h"

#include "duilib/AttrParse.h"
#include "duilib/NotifyUI.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/TabOrder.h"

namespace DuiLib {

LPCWSTR CTabLayoutUI::GetClass() const { return L"TabLayoutUI"; }

LPVOID CTabLayoutUI::GetInterface(LPCWSTR pstrName) { return InterfaceOf<CContainerUI>(this, pstrName, L"TabLayout"); }

void CTabLayoutUI::ShowSelected() {
    for (int i = 0; i < GetCount(); ++i) m_items[static_cast<size_t>(i)]->SetVisible(i == m_iCurSel);
    NeedUpdate();
}

bool CTabLayoutUI::Add(CControlUI* pControl) {
    if (!CContainerUI::Add(pControl)) return false;
    pControl->SetVisible(GetCount() - 1 == m_iCurSel);
    return true;
}

bool CTabLayoutUI::AddAt(CControlUI* pControl, int index) {
    if (!CContainerUI::AddAt(pControl, index)) return false;
    ShowSelected();
    return true;
}

bool CTabLayoutUI::Remove(CControlUI* pControl) {
    if (!CContainerUI::Remove(pControl)) return false;
    if (m_iCurSel >= GetCount()) m_iCurSel = GetCount() > 0 ? GetCount() - 1 : 0;
    ShowSelected();
    return true;
}

void CTabLayoutUI::RemoveAll() {
    CContainerUI::RemoveAll();
    m_iCurSel = 0;
}

bool CTabLayoutUI::SelectItem(int iIndex) {
    if (iIndex < 0 || iIndex >= GetCount()) return false;
    if (iIndex == m_iCurSel) return true;
    int old = m_iCurSel;
    // A page that gives way to another takes the focus with it to the
    // control in the same place of the new page.
    CControlUI* focus = m_pManager ? m_pManager->GetFocus() : nullptr;
    bool focusLeaves = false;
    for (CControlUI* c = focus; c && !focusLeaves; c = c->GetParent()) focusLeaves = c == GetItemAt(old);
    m_iCurSel = iIndex;
    ShowSelected();
    if (focusLeaves) {
        std::vector<CControlUI*> page = CTabOrder::Controls(GetItemAt(iIndex));
        CControlUI* heir = page.empty() ? nullptr : page.front();
        for (CControlUI* c : page)
            if (c->IsKeyboardEnabled()) {
                heir = c;
                break;
            }
        if (heir) m_pManager->SetFocus(heir);
    }
    if (m_pManager) m_pManager->SendNotify(this, L"tabselect", static_cast<WPARAM>(m_iCurSel), old);
    return true;
}

bool CTabLayoutUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    if (wcscmp(pstrName, L"selectedid") == 0) {
        int v = 0;
        if (!CAttrParse::Int(pstrName, pstrValue, v) || v < 0) return false;
        m_iCurSel = v;
        ShowSelected();
        return true;
    }
    return CContainerUI::SetAttribute(pstrName, pstrValue);
}

}  // namespace DuiLib
