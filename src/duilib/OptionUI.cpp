#include "duilib/OptionUI.h"

#include <oleacc.h>

#include <cwchar>
#include <vector>

#include "duilib/AttrParse.h"
#include "duilib/NotifyUI.h"
#include "duilib/HighContrast.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/RenderEngine.h"

namespace DuiLib {

LPCWSTR COptionUI::GetClass() const { return L"OptionUI"; }

LPVOID COptionUI::GetInterface(LPCWSTR pstrName) { return InterfaceOf<CButtonUI>(this, pstrName, L"Option"); }

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
        return SetImageAttribute(name == L"selectedimage" ? m_sSelectedImage : m_sSelectedHotImage, pstrValue);
    } else if (name == L"markimage" || name == L"selectedmarkimage") {
        return SetImageAttribute(name == L"markimage" ? m_sMarkImage : m_sSelectedMarkImage, pstrValue);
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

namespace {
// The mark's square, its inset from the left edge and the gap after it, in
// layout pixels. The mark takes the place of the text's left padding, so
// that a layout made for plain options keeps nearly all its room for text.
constexpr int kMarkSize = 16;
constexpr int kMarkInset = 2;
constexpr int kMarkGap = 4;
}  // namespace

int COptionUI::GetMarkRoom() const {
    if (m_sMarkImage.IsEmpty() && m_sSelectedMarkImage.IsEmpty()) return 0;
    const int textLeft = kMarkInset + kMarkSize + kMarkGap;
    return textLeft > m_rcTextPadding.left ? textLeft - m_rcTextPadding.left : 0;
}

SIZE COptionUI::EstimateSize(SIZE szAvailable) {
    SIZE size = CButtonUI::EstimateSize(szAvailable);
    if (IsAutoWidth() && size.cx > 1) size.cx += Scaled(GetMarkRoom());
    return size;
}

void COptionUI::PaintStatusImage(HDC hDC) {
    if (m_bSelected) {
        if (m_dwSelectedBkColor)
            CRenderEngine::DrawColor(hDC, m_rcItem, CHighContrast::Pick(m_dwSelectedBkColor, COLOR_BTNFACE));
        if ((m_uButtonState & UISTATE_HOT) && !m_sSelectedHotImage.IsEmpty()) {
            DrawImage(hDC, m_sSelectedHotImage);
            PaintMark(hDC);
            return;
        }
        if (!m_sSelectedImage.IsEmpty()) {
            DrawImage(hDC, m_sSelectedImage);
            PaintMark(hDC);
            return;
        }
    }
    CButtonUI::PaintStatusImage(hDC);
    PaintMark(hDC);
}

void COptionUI::PaintMark(HDC hDC) {
    const CDuiString& mark = m_bSelected && !m_sSelectedMarkImage.IsEmpty() ? m_sSelectedMarkImage : m_sMarkImage;
    if (mark.IsEmpty() || !m_pManager) return;
    // Vertically centred at the start of the text, in the layout pixels
    // that "dest" is given in; faded while the option cannot be used.
    const int height = ::MulDiv(m_rcItem.bottom - m_rcItem.top, 96, m_pManager->GetDpi());
    const int left = kMarkInset, top = (height - kMarkSize) / 2;
    wchar_t modify[96];
    swprintf(modify, 96, L"dest='%d,%d,%d,%d'%s", left, top, left + kMarkSize, top + kMarkSize,
             IsEnabled() ? L"" : L" fade='110'");
    DrawImage(hDC, mark, modify);
}

void COptionUI::PaintText(HDC hDC) {
    // The text starts after the mark (GetMarkRoom is what that adds to the padding).
    const RECT padding = m_rcTextPadding;
    m_rcTextPadding.left += GetMarkRoom();
    if (m_bSelected && m_dwSelectedTextColor && IsEnabled() && !CHighContrast::IsOn())
        DrawLabelText(hDC, m_dwSelectedTextColor);
    else CButtonUI::PaintText(hDC);
    m_rcTextPadding = padding;
}

}  // namespace DuiLib
