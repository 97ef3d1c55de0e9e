#include "duilib/ContainerUI.h"

#include <algorithm>

#include "duilib/AttrParse.h"
#include "duilib/PaintManagerUI.h"

namespace DuiLib {

CContainerUI::~CContainerUI() {
    std::vector<CControlUI*> items;
    items.swap(m_items);
    for (CControlUI* c : items) delete c;
}

LPCWSTR CContainerUI::GetClass() const { return L"ContainerUI"; }

LPVOID CContainerUI::GetInterface(LPCWSTR pstrName) { return InterfaceOf<CControlUI>(this, pstrName, L"Container"); }

CControlUI* CContainerUI::GetItemAt(int index) const {
    if (index < 0 || index >= GetCount()) return nullptr;
    return m_items[static_cast<size_t>(index)];
}

int CContainerUI::GetItemIndex(CControlUI* pControl) const {
    auto it = std::find(m_items.begin(), m_items.end(), pControl);
    return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

bool CContainerUI::Add(CControlUI* pControl) { return AddAt(pControl, GetCount()); }

bool CContainerUI::AddAt(CControlUI* pControl, int index) {
    if (!pControl || pControl == this || GetItemIndex(pControl) >= 0) return false;
    if (index < 0 || index > GetCount()) index = GetCount();
    m_items.insert(m_items.begin() + index, pControl);
    pControl->SetManager(m_pManager, this);
    if (!IsVisible()) pControl->SetInternVisible(false);
    NeedUpdate();
    return true;
}

bool CContainerUI::Remove(CControlUI* pControl) {
    int index = GetItemIndex(pControl);
    if (index < 0) return false;
    m_items.erase(m_items.begin() + index);
    delete pControl;
    NeedUpdate();
    return true;
}

void CContainerUI::RemoveAll() {
    std::vector<CControlUI*> items;
    items.swap(m_items);
    for (CControlUI* c : items) delete c;
    NeedUpdate();
}

RECT CContainerUI::InnerRect() const {
    RECT rc = ItemLess(m_rcInset);
    if (rc.right < rc.left) rc.right = rc.left;
    if (rc.bottom < rc.top) rc.bottom = rc.top;
    return rc;
}

void CContainerUI::PlaceFloat(CControlUI* pControl, const RECT& rcParent) {
    RECT pos = m_pManager ? m_pManager->Scale(pControl->GetFloatPos()) : pControl->GetFloatPos();
    SIZE fixed = pControl->EstimateSize(SIZE{rcParent.right - rcParent.left, rcParent.bottom - rcParent.top});
    int cx = fixed.cx > 0 ? fixed.cx : pos.right - pos.left;
    int cy = fixed.cy > 0 ? fixed.cy : pos.bottom - pos.top;
    RECT rc = {rcParent.left + pos.left, rcParent.top + pos.top, rcParent.left + pos.left + std::max(cx, 0),
               rcParent.top + pos.top + std::max(cy, 0)};
    pControl->SetPos(rc);
}

void CContainerUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    RECT inner = InnerRect();
    for (CControlUI* c : m_items) {
        if (!c->IsVisible()) continue;
        if (c->IsFloat()) {
            PlaceFloat(c, m_rcItem);
            continue;
        }
        // Without a layout every child fills the inner area, less its padding.
        RECT p = c->GetScaledPadding();
        SIZE sz = c->EstimateSize(SIZE{inner.right - inner.left, inner.bottom - inner.top});
        RECT r = {inner.left + p.left, inner.top + p.top, inner.right - p.right, inner.bottom - p.bottom};
        if (sz.cx > 0) r.right = std::min(r.right, r.left + sz.cx);
        if (sz.cy > 0) r.bottom = std::min(r.bottom, r.top + sz.cy);
        c->SetPos(r);
    }
}

void CContainerUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent) {
    CControlUI::SetManager(pManager, pParent);
    for (CControlUI* c : m_items) c->SetManager(pManager, this);
}

void CContainerUI::SetVisible(bool bVisible) {
    CControlUI::SetVisible(bVisible);
    for (CControlUI* c : m_items) c->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool bVisible) {
    CControlUI::SetInternVisible(bVisible);
    for (CControlUI* c : m_items) c->SetInternVisible(IsVisible());
}

CControlUI* CContainerUI::FindControlByName(LPCWSTR name) {
    if (CControlUI* self = CControlUI::FindControlByName(name)) return self;
    for (CControlUI* c : m_items)
        if (CControlUI* found = c->FindControlByName(name)) return found;
    return nullptr;
}

CControlUI* CContainerUI::FindControlAt(POINT pt) {
    if (!IsVisible() || !PtInRect(&m_rcItem, pt)) return nullptr;
    // Later children are painted on top: they are hit first.
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it)
        if (CControlUI* found = (*it)->FindControlAt(pt)) return found;
    return IsMouseEnabled() ? this : nullptr;
}

void CContainerUI::VisitTree(void (*fn)(CControlUI*, void*), void* ctx) {
    fn(this, ctx);
    for (CControlUI* c : m_items) c->VisitTree(fn, ctx);
}

bool CContainerUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    if (wcscmp(pstrName, L"inset") == 0) {
        RECT rc;
        if (!CAttrParse::Rect(pstrName, pstrValue, rc)) return false;
        SetInset(rc);
        return true;
    }
    if (wcscmp(pstrName, L"childpadding") == 0) {
        int v = 0;
        if (!CAttrParse::Int(pstrName, pstrValue, v)) return false;
        SetChildPadding(v);
        return true;
    }
    return CControlUI::SetAttribute(pstrName, pstrValue);
}

void CContainerUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    RECT rcHere;
    if (!IntersectRect(&rcHere, &rcPaint, &m_rcItem)) return;
    CControlUI::DoPaint(hDC, rcPaint);
    int saved = ::SaveDC(hDC);
    ::IntersectClipRect(hDC, rcHere.left, rcHere.top, rcHere.right, rcHere.bottom);
    for (CControlUI* c : m_items) {
        if (!c->IsVisible()) continue;
        RECT tmp;
        if (IntersectRect(&tmp, &rcHere, &c->GetPos())) c->DoPaint(hDC, rcHere);
    }
    ::RestoreDC(hDC, saved);
}

}  // namespace DuiLib
