#include "duilib/HorizontalLayoutUI.h"

#include <algorithm>

namespace DuiLib {

LPCWSTR CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayoutUI"; }

LPVOID CHorizontalLayoutUI::GetInterface(LPCWSTR pstrName) {
    if (wcscmp(pstrName, L"HorizontalLayout") == 0) return this;
    return CContainerUI::GetInterface(pstrName);
}

void CHorizontalLayoutUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    const RECT inner = InnerRect();
    const SIZE avail = {inner.right - inner.left, inner.bottom - inner.top};
    int fixedTotal = 0, adjustables = 0, count = 0;
    for (CControlUI* c : m_items) {
        if (!c->IsVisible() || c->IsFloat()) continue;
        SIZE sz = c->EstimateSize(avail);
        RECT p = c->GetPadding();
        if (sz.cx == 0) ++adjustables;
        else fixedTotal += std::max(std::min(static_cast<int>(sz.cx), c->GetMaxWidth()), c->GetMinWidth());
        fixedTotal += p.left + p.right;
        ++count;
    }
    if (count > 1) fixedTotal += (count - 1) * m_iChildPadding;
    const int expand = adjustables > 0 ? std::max(0, static_cast<int>(avail.cx) - fixedTotal) / adjustables : 0;
    int remainder = adjustables > 0 ? std::max(0, static_cast<int>(avail.cx) - fixedTotal) % adjustables : 0;
    int x = inner.left;
    for (CControlUI* c : m_items) {
        if (!c->IsVisible()) continue;
        if (c->IsFloat()) {
            PlaceFloat(c, m_rcItem);
            continue;
        }
        SIZE sz = c->EstimateSize(avail);
        RECT p = c->GetPadding();
        int cx = sz.cx;
        if (cx == 0) {
            cx = expand + (--adjustables == 0 ? remainder : 0);
        }
        cx = std::max(std::min(cx, c->GetMaxWidth()), c->GetMinWidth());
        int height = inner.bottom - inner.top - p.top - p.bottom;
        int cy = sz.cy > 0 ? std::min(static_cast<int>(sz.cy), std::max(height, 0)) : height;
        cy = std::max(std::min(cy, c->GetMaxHeight()), c->GetMinHeight());
        RECT r = {x + p.left, inner.top + p.top, x + p.left + cx, inner.top + p.top + cy};
        c->SetPos(r);
        x += p.left + cx + p.right + m_iChildPadding;
    }
}

}  // namespace DuiLib
