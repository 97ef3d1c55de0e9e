#include "duilib/ProgressUI.h"

#include <oleacc.h>

#include <algorithm>

#include "duilib/AttrParse.h"
#include "duilib/HighContrast.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/RenderEngine.h"

namespace DuiLib {

LPCWSTR CProgressUI::GetClass() const { return L"ProgressUI"; }

LPVOID CProgressUI::GetInterface(LPCWSTR pstrName) { return InterfaceOf<CLabelUI>(this, pstrName, L"Progress"); }

void CProgressUI::SetMinValue(int v) {
    m_nMin = v;
    if (m_nMax < m_nMin) m_nMax = m_nMin;
    SetValue(m_nValue);
}

void CProgressUI::SetMaxValue(int v) {
    m_nMax = std::max(v, m_nMin);
    SetValue(m_nValue);
}

void CProgressUI::SetValue(int v) {
    v = std::min(std::max(v, m_nMin), m_nMax);
    if (v == m_nValue) return;
    m_nValue = v;
    Invalidate();
    if (m_pManager) m_pManager->NotifyAccessible(EVENT_OBJECT_VALUECHANGE, this);
}

DWORD CProgressUI::GetAccessibleRole() const { return ROLE_SYSTEM_PROGRESSBAR; }

CDuiString CProgressUI::GetAccessibleValue() const {
    const int range = m_nMax - m_nMin;
    CDuiString s;
    s.Format(L"%d%%", range > 0 ? static_cast<int>((m_nValue - m_nMin) * 100LL / range) : 0);
    return s;
}

bool CProgressUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    const CDuiString name(pstrName);
    if (name == L"min" || name == L"max" || name == L"value") {
        int v = 0;
        if (!CAttrParse::Int(pstrName, pstrValue, v)) return false;
        if (name == L"min") SetMinValue(v);
        else if (name == L"max") SetMaxValue(v);
        else SetValue(v);
    } else if (name == L"hor") {
        if (!CAttrParse::Bool(pstrName, pstrValue, m_bHorizontal)) return false;
    } else if (name == L"foreimage") {
        return SetImageAttribute(m_sForeImage, pstrValue);
    } else if (name == L"forecolor") {
        if (!CAttrParse::Color(pstrName, pstrValue, m_dwForeColor)) return false;
    } else {
        return CLabelUI::SetAttribute(pstrName, pstrValue);
    }
    Invalidate();
    return true;
}

void CProgressUI::PaintStatusImage(HDC hDC) {
    if (m_nMax <= m_nMin) return;
    RECT rc = m_rcItem;
    const long long span = m_nMax - m_nMin, done = m_nValue - m_nMin;
    if (m_bHorizontal) rc.right = rc.left + static_cast<LONG>((rc.right - rc.left) * done / span);
    else rc.top = rc.bottom - static_cast<LONG>((rc.bottom - rc.top) * done / span);
    if (rc.right <= rc.left || rc.bottom <= rc.top) return;
    if (m_dwForeColor) CRenderEngine::DrawColor(hDC, rc, CHighContrast::Pick(m_dwForeColor, COLOR_HIGHLIGHT));
    if (!m_sForeImage.IsEmpty()) {
        // The whole fore image stretched over the bar, shown up to the value.
        int saved = ::SaveDC(hDC);
        ::IntersectClipRect(hDC, rc.left, rc.top, rc.right, rc.bottom);
        DrawImage(hDC, m_sForeImage);
        ::RestoreDC(hDC, saved);
    }
}

}  // namespace DuiLib
