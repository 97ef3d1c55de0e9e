#include "duilib/OptionUI.h"

#include <oleacc.h>

#include <vector>

#include "duilib/AttrParse.h"
#include "duilib/ImageDesc.h"
#include "duilib/NotifyUI.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/RenderEngine.h"

namespace DuiLib {

LPCWSTR COptionUI::GetClass() const { return L"OptionUI"; }

LPVOID COptionUI::GetInterface(LPCWSTR pstrName) {
    if (wcscmp(pstrName, L"Option") == 0) return this;
    return CButtonUI::GetInterface(pstrName);
}

void COptionUI::Selected(bool bSelected, bool bNotify) {
    if (m_bSelected == bSelected) return;
    m_bSelected = bSelected;
    Invalidate();
    if (m_pManager) m_pManager->NotifyAccessible(EVENT_OBJECT_STATECHANGE, this);
    if (bSelected && !m_sGroupName.IsEmpty() && m_pManager) {
        std::vector<COptionUI*> others;
        m_pManager->ForEachControl([&](CControlUI* c) {
            COptionUI* o = static_cast<COptionUI*>(c->GetInterface(L"Option"));
            if (o && o != this && o->m_sGroupName == m_sGroupName.GetData()) others.push_back(o);
        });
        for (COptionUI* o : others) o->Selected(false, bNotify);
    }
    if (bNotify && m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_SELECTCHANGED);
}

DWORD COptionUI::GetAccessibleRole() const {
    return m_sGroupName.IsEmpty() ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_RADIOBUTTON;
}

bool COptionUI::Activate() {
    if (!CButtonUI::Activate()) return false;
    if (!m_sGroupName.IsEmpty()) Selected(true);
    else Selected(!m_bSelected);
    return true;
}

bool COptionUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    const CDuiString name(pstrName);
    if (name == L"group") {
        m_sGroupName = pstrValue;
    } else if (name == L"selected") {
        bool on = false;
        if (!CAttrParse::Bool(pstrName, pstrValue, on)) return false;
        Selected(on, false);
    } else if (name == L"selectedimage" || name == L"selectedhotimage") {
        CImageDesc desc;
        if (pstrValue && *pstrValue && !desc.Parse(pstrValue)) return false;
        (name == L"selectedimage" ? m_sSelectedImage : m_sSelectedHotImage) = pstrValue;
        Invalidate();
    } else if (name == L"selectedtextcolor" || name == L"selectedbkcolor") {
        DWORD c = 0;
        if (!CAttrParse::Color(pstrName, pstrValue, c)) return false;
        (name == L"selectedtextcolor" ? m_dwSelectedTextColor : m_dwSelectedBkColor) = c;
        Invalidate();
    } else {
        return CButtonUI::SetAttribute(pstrName, pstrValue);
    }
    return true;
}

void COptionUI::PaintStatusImage(HDC hDC) {
    if (m_bSelected) {
        if (m_dwSelectedBkColor) CRenderEngine::DrawColor(hDC, m_rcItem, m_dwSelectedBkColor);
        if ((m_uButtonState & UISTATE_HOT) && !m_sSelectedHotImage.IsEmpty()) {
            DrawImage(hDC, m_sSelectedHotImage);
            return;
        }
        if (!m_sSelectedImage.IsEmpty()) {
            DrawImage(hDC, m_sSelectedImage);
            return;
        }
    }
    CButtonUI::PaintStatusImage(hDC);
}

void COptionUI::PaintText(HDC hDC) {
    if (m_bSelected && m_dwSelectedTextColor && IsEnabled()) {
        DrawLabelText(hDC, m_dwSelectedTextColor);
        return;
    }
    CButtonUI::PaintText(hDC);
}

}  // namespace DuiLib
