#include "duilib/VerticalLayoutUI.h"

#include <algorithm>

namespace DuiLib {

LPCWSTR CVerticalLayoutUI::GetClass() const { return L"VerticalLayoutUI"; }

LPVOID CVerticalLayoutUI::GetInterface(LPCWSTR pstrName) {
    if (wcscmp(pstrName, L"VerticalLayout") == 0) return this;
    return CContainerUI::GetInterface(pstrName);
}

void CVerticalLayoutUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    const RECT inner = InnerRect();
    const SIZE avail = {inner.right - inner.left, inner.bottom - inner.top};
    int fixedTotal = 0, adjustables = 0, count = 0;
    for (CControlUI* c : m_items) {
        if (!c->IsVisible() || c->IsFloat()) continue;
        SIZE sz = c->EstimateSize(avail);
        RECT p = c->GetPadding();
        if (sz.cy == 0) ++adjustables;
        else fixedTotal += std::max(std::min(static_cast<int>(sz.cy), c->GetMaxHeight()), c->GetMinHeight());
        fixedTotal += p.top + p.bottom;
        ++count;
    }
    if (count > 1) fixedTotal += (count - 1) * m_iChildPadding;
    const int expand = adjustables > 0 ? std::max(0, static_cast<int>(avail.cy) - fixedTotal) / adjustables : 0;
    int remainder = adjustables > 0 ? std::max(0, static_cast<int>(avail.cy) - fixedTotal) % adjustables : 0;
    int y = inner.top;
    for (CControlUI* c : m_items) {
        if (!c->IsVisible()) continue;
        if (c->IsFloat()) {
            PlaceFloat(c, m_rcItem);
            continue;
        }
        SIZE sz = c->EstimateSize(avail);
        RECT p = c->GetPadding();
        int cy = sz.cy;
        if (cy == 0) {
            cy = expand + (--adjustables == 0 ? remainder : 0);
        }
        cy = std::max(std::min(cy, c->GetMaxHeight()), c->GetMinHeight());
        int width = inner.right - inner.left - p.left - p.right;
        int cx = sz.cx > 0 ? std::min(static_cast<int>(sz.cx), std::max(width, 0)) : width;
        cx = std::max(std::min(cx, c->GetMaxWidth()), c->GetMinWidth());
        RECT r = {inner.left + p.left, y + p.top, inner.left + p.left + cx, y + p.top + cy};
        c->SetPos(r);
        y += p.top + cy + p.bottom + m_iChildPadding;
    }
}

}  // namespace DuiLib
