#include "speeddial/ArcLayer.h"

#include <cmath>

#include "duilib/GdiplusHeaders.h"

namespace DuiLib {

namespace {

// Room around the circle for half the pen and its smoothed edge, and the
// pen's width, in layout pixels.
constexpr int kMargin = 4;
constexpr float kPenWidth = 4.0f;
// An outline adds this much on each side of the pen (layout pixels).
constexpr float kOutlineWidth = 1.5f;
constexpr int kOutlineMargin = 2;

}  // namespace

int CArcLayer::Margin() const {
    return static_cast<int>(std::ceil((kMargin + (m_outline ? kOutlineMargin : 0)) * m_scale));
}

bool CArcLayer::Render(int r, const std::vector<DialArc>& arcs, double scale, DWORD outline) {
    m_scale = scale;
    m_outline = outline;
    const int margin = Margin();
    const int size = 2 * r + 2 * margin;
    if (!m_layer || m_layer->GetWidth() != size) m_layer = CSkinImage::Blank(size, size);
    m_radius = -1;
    if (!m_layer) return false;
    Gdiplus::Graphics g(m_layer->GetBitmap());
    if (g.GetLastStatus() != Gdiplus::Ok) return false;
    g.Clear(Gdiplus::Color(0, 0, 0, 0));
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    g.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
    // Every edge goes down first, so that where arcs overlap the colours meet
    // without an edge between them.
    if (outline) {
        Gdiplus::Pen edge(Gdiplus::Color(static_cast<Gdiplus::ARGB>(outline)),
                          static_cast<Gdiplus::REAL>((kPenWidth + 2 * kOutlineWidth) * scale));
        for (const DialArc& arc : arcs)
            g.DrawArc(&edge, margin, margin, 2 * r, 2 * r, static_cast<Gdiplus::REAL>(arc.start),
                      static_cast<Gdiplus::REAL>(arc.sweep));
    }
    for (const DialArc& arc : arcs) {
        Gdiplus::Pen pen(Gdiplus::Color(static_cast<Gdiplus::ARGB>(arc.color)),
                         static_cast<Gdiplus::REAL>(kPenWidth * scale));
        g.DrawArc(&pen, margin, margin, 2 * r, 2 * r, static_cast<Gdiplus::REAL>(arc.start),
                  static_cast<Gdiplus::REAL>(arc.sweep));
    }
    m_radius = r;
    m_arcs = arcs;
    return true;
}

bool CArcLayer::Draw(HDC hDC, int cx, int cy, int r, const std::vector<DialArc>& arcs, double scale,
                     DWORD outline) {
    if (r <= 0) return false;
    if ((r != m_radius || arcs != m_arcs || scale != m_scale || outline != m_outline) &&
        !Render(r, arcs, scale, outline))
        return false;
    const int size = m_layer->GetWidth(), margin = Margin();
    const RECT dst = {cx - r - margin, cy - r - margin, cx - r - margin + size, cy - r - margin + size};
    return m_layer->BlendUnscaled(hDC, dst, RECT{0, 0, size, size}, 255);
}

}  // namespace DuiLib
