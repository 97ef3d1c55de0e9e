#include "duilib/StackLayoutUI.h"

#include <algorithm>

#include "duilib/PaintManagerUI.h"

namespace DuiLib {

LPCWSTR CStackLayoutUI::GetClass() const { return m_bHorizontal ? L"HorizontalLayoutUI" : L"VerticalLayoutUI"; }

LPVOID CStackLayoutUI::GetInterface(LPCWSTR pstrName) {
    return InterfaceOf<CContainerUI>(this, pstrName, m_bHorizontal ? L"HorizontalLayout" : L"VerticalLayout");
}

namespace {

// One axis of a layout: the main axis runs along the stack, the cross axis
// across it.
struct Axis {
    bool horizontal;
    const CPaintManagerUI* manager;
    int S(int v) const { return manager ? manager->Scale(v) : v; }
    LONG Along(SIZE s) const { return horizontal ? s.cx : s.cy; }
    LONG Across(SIZE s) const { return horizontal ? s.cy : s.cx; }
    LONG Before(const RECT& r) const { return horizontal ? r.left : r.top; }
    LONG After(const RECT& r) const { return horizontal ? r.right : r.bottom; }
    LONG CrossBefore(const RECT& r) const { return horizontal ? r.top : r.left; }
    LONG CrossAfter(const RECT& r) const { return horizontal ? r.bottom : r.right; }
    int ClampAlong(const CControlUI* c, int v) const {
        return horizontal ? std::max(std::min(v, S(c->GetMaxWidth())), S(c->GetMinWidth()))
                          : std::max(std::min(v, S(c->GetMaxHeight())), S(c->GetMinHeight()));
    }
    int ClampAcross(const CControlUI* c, int v) const {
        return horizontal ? std::max(std::min(v, S(c->GetMaxHeight())), S(c->GetMinHeight()))
                          : std::max(std::min(v, S(c->GetMaxWidth())), S(c->GetMinWidth()));
    }
};

}  // namespace

void CStackLayoutUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    const Axis ax{m_bHorizontal, m_pManager};
    const RECT inner = InnerRect();
    const SIZE avail = {inner.right - inner.left, inner.bottom - inner.top};
    int fixedTotal = 0, adjustables = 0, count = 0;
    for (CControlUI* c : m_items) {
        if (!c->IsVisible() || c->IsFloat()) continue;
        const SIZE sz = c->EstimateSize(avail);
        const RECT p = c->GetScaledPadding();
        if (ax.Along(sz) == 0) ++adjustables;
        else fixedTotal += ax.ClampAlong(c, static_cast<int>(ax.Along(sz)));
        fixedTotal += ax.Before(p) + ax.After(p);
        ++count;
    }
    const int childPadding = Scaled(m_iChildPadding);
    if (count > 1) fixedTotal += (count - 1) * childPadding;
    const int spare = std::max(0, static_cast<int>(ax.Along(avail)) - fixedTotal);
    const int expand = adjustables > 0 ? spare / adjustables : 0;
    const int remainder = adjustables > 0 ? spare % adjustables : 0;
    int pos = ax.Before(inner);
    for (CControlUI* c : m_items) {
        if (!c->IsVisible()) continue;
        if (c->IsFloat()) {
            PlaceFloat(c, m_rcItem);
            continue;
        }
        const SIZE sz = c->EstimateSize(avail);
        const RECT p = c->GetScaledPadding();
        int along = static_cast<int>(ax.Along(sz));
        if (along == 0) along = expand + (--adjustables == 0 ? remainder : 0);
        along = ax.ClampAlong(c, along);
        const int room = static_cast<int>(ax.CrossAfter(inner) - ax.CrossBefore(inner) - ax.CrossBefore(p) - ax.CrossAfter(p));
        int across = ax.Across(sz) > 0 ? std::min(static_cast<int>(ax.Across(sz)), std::max(room, 0)) : room;
        across = ax.ClampAcross(c, across);
        const LONG start = pos + ax.Before(p), crossStart = ax.CrossBefore(inner) + ax.CrossBefore(p);
        c->SetPos(m_bHorizontal ? RECT{start, crossStart, start + along, crossStart + across}
                                : RECT{crossStart, start, crossStart + across, start + along});
        pos += ax.Before(p) + along + ax.After(p) + childPadding;
    }
}

}  // namespace DuiLib
