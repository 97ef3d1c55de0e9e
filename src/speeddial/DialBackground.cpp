#include "speeddial/DialBackground.h"

namespace DuiLib {

void CDialBackground::Clear() {
    m_surface.Reset();
    m_opaque.clear();
    m_item = RECT{};
}

bool CDialBackground::ReadyFor(const RECT& item) const { return m_surface && ::EqualRect(&m_item, &item); }

bool CDialBackground::Compose(const RECT& item, const std::function<void(HDC)>& paint) {
    Clear();
    const int w = item.right - item.left, h = item.bottom - item.top;
    if (w <= 0 || h <= 0 || !m_surface.Create(nullptr, w, h)) return false;
    POINT old;
    ::SetViewportOrgEx(m_surface.Dc(), -item.left, -item.top, &old);
    paint(m_surface.Dc());
    ::SetViewportOrgEx(m_surface.Dc(), old.x, old.y, nullptr);
    ::GdiFlush();
    const auto* bits = static_cast<const DWORD*>(m_surface.Bits());
    m_opaque.resize(h);
    for (int y = 0; y < h; ++y) {
        const DWORD* row = bits + y * w;
        std::pair<LONG, LONG> widest = {0, 0};
        for (int x = 0; x < w;) {
            if ((row[x] >> 24) != 0xFF) {
                ++x;
                continue;
            }
            int end = x;
            while (end < w && (row[end] >> 24) == 0xFF) ++end;
            if (end - x > widest.second - widest.first) widest = {x, end};
            x = end;
        }
        m_opaque[y] = widest;
    }
    m_item = item;
    return true;
}

bool CDialBackground::Opaque(const RECT& part) const {
    for (LONG y = part.top; y < part.bottom; ++y)
        if (m_opaque[y].first > part.left || m_opaque[y].second < part.right) return false;
    return true;
}

bool CDialBackground::Covers(const RECT& part) const {
    RECT r;
    if (!m_surface || ::IsRectEmpty(&part) || !::IntersectRect(&r, &part, &m_item) || !::EqualRect(&r, &part))
        return false;
    ::OffsetRect(&r, -m_item.left, -m_item.top);
    return Opaque(r);
}

bool CDialBackground::Draw(HDC hDC, const RECT& part) const {
    RECT r;
    if (!m_surface) return false;
    if (!::IntersectRect(&r, &part, &m_item)) return true;
    RECT from = r;
    ::OffsetRect(&from, -m_item.left, -m_item.top);
    const int w = r.right - r.left, h = r.bottom - r.top;
    // Over opaque pixels a blend gives the source itself: a copy is the same
    // picture for far less work.
    if (Opaque(from)) return ::BitBlt(hDC, r.left, r.top, w, h, m_surface.Dc(), from.left, from.top, SRCCOPY) != FALSE;
    const BLENDFUNCTION bf = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return ::GdiAlphaBlend(hDC, r.left, r.top, w, h, m_surface.Dc(), from.left, from.top, w, h, bf) != FALSE;
}

}  // namespace DuiLib
