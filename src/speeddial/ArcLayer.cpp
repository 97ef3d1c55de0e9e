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

bool CArcLayer::Prepare(int cx, int cy, int r, const std::vector<DialArc>& arcs, double scale, DWORD outline,
                        bool* changed) {
    if (r <= 0) return false;
    if (r != m_radius || arcs != m_arcs || scale != m_scale || outline != m_outline) {
        if (changed) *changed = true;
        if (!Render(r, arcs, scale, outline)) return false;
    }
    const int size = m_layer->GetWidth(), margin = Margin();
    m_at = RECT{cx - r - margin, cy - r - margin, cx - r - margin + size, cy - r - margin + size};
    return true;
}

bool CArcLayer::Draw(HDC hDC) const {
    if (!m_layer || m_radius < 0) return false;
    return m_layer->BlendUnscaled(hDC, m_at, RECT{0, 0, m_layer->GetWidth(), m_layer->GetHeight()}, 255);
}

void CArcLayer::Atop(DWORD* bits, int stride, const RECT& box, POINT origin) const {
    if (!m_layer || m_radius < 0 || !m_layer->GetBitmap()) return;
    // Only where the box and the layer meet can an arc lie over the needle.
    RECT inWindow = box, meet;
    ::OffsetRect(&inWindow, origin.x, origin.y);
    if (!::IntersectRect(&meet, &inWindow, &m_at)) return;
    Gdiplus::Bitmap& layer = *m_layer->GetBitmap();
    Gdiplus::Rect all(0, 0, m_layer->GetWidth(), m_layer->GetHeight());
    Gdiplus::BitmapData data;
    if (layer.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) != Gdiplus::Ok) return;
    ::GdiFlush();  // the needle may still be owed to its surface
    for (LONG y = meet.top; y < meet.bottom; ++y) {
        const auto* arcRow =
            reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(data.Scan0) + (y - m_at.top) * data.Stride);
        DWORD* needleRow = bits + (y - origin.y) * stride;
        for (LONG x = meet.left; x < meet.right; ++x) {
            DWORD& n = needleRow[x - origin.x];
            const DWORD na = n >> 24, arc = arcRow[x - m_at.left], aa = arc >> 24;
            if (na == 0 || aa == 0) continue;
            // Premultiplied "arc atop needle": arc x needle's alpha + needle x (1 - arc's alpha),
            // with the needle's alpha: never more than that alpha in any channel.
            DWORD out = na << 24;
            for (int shift = 0; shift < 24; shift += 8) {
                const DWORD a = (arc >> shift) & 0xFF, b = (n >> shift) & 0xFF;
                out |= ((a * na + b * (255 - aa) + 127) / 255) << shift;
            }
            n = out;
        }
    }
    layer.UnlockBits(&data);
}

}  // namespace DuiLib
