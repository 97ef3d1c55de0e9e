#include "speeddial/ArcLayer.h"

#include "duilib/GdiplusHeaders.h"

namespace DuiLib {

namespace {

// Room around the circle for half the pen and its smoothed edge.
constexpr int kMargin = 4;

}  // namespace

bool CArcLayer::Render(int r, const std::vector<DialArc>& arcs) {
    const int size = 2 * r + 2 * kMargin;
    if (!m_layer || m_layer->GetWidth() != size) m_layer = CSkinImage::Blank(size, size);
    m_radius = -1;
    if (!m_layer) return false;
    Gdiplus::Graphics g(m_layer->GetBitmap());
    if (g.GetLastStatus() != Gdiplus::Ok) return false;
    g.Clear(Gdiplus::Color(0, 0, 0, 0));
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    g.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
    for (const DialArc& arc : arcs) {
        Gdiplus::Pen pen(Gdiplus::Color(static_cast<Gdiplus::ARGB>(arc.color)), 4.0f);
        g.DrawArc(&pen, kMargin, kMargin, 2 * r, 2 * r, static_cast<Gdiplus::REAL>(arc.start),
                  static_cast<Gdiplus::REAL>(arc.sweep));
    }
    m_radius = r;
    m_arcs = arcs;
    return true;
}

bool CArcLayer::Draw(HDC hDC, int cx, int cy, int r, const std::vector<DialArc>& arcs) {
    if (r <= 0) return false;
    if ((r != m_radius || arcs != m_arcs) && !Render(r, arcs)) return false;
    const int size = m_layer->GetWidth();
    const RECT dst = {cx - r - kMargin, cy - r - kMargin, cx - r - kMargin + size, cy - r - kMargin + size};
    return m_layer->BlendUnscaled(hDC, dst, RECT{0, 0, size, size}, 255);
}

}  // namespace DuiLib
