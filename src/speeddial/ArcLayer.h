#pragma once
// The dial's ring of coloured arcs, drawn once into a transparent layer and
// blended from there. The arcs change only with the status, while the
// pointer animation repaints the dial up to a hundred times a second.
#include <windows.h>

#include <memory>
#include <vector>

#include "duilib/SkinImage.h"

namespace DuiLib {

struct DialArc {
    DWORD color;  // ARGB
    int start;    // degrees clockwise from the positive x axis
    int sweep;
    bool operator==(const DialArc& o) const { return color == o.color && start == o.start && sweep == o.sweep; }
};

class CArcLayer {
public:
    // The arcs on the circle of radius r around (cx, cy), with pens 4 layout
    // pixels wide (times `scale`, the display's), each edged in `outline`
    // unless that is 0; drawn anew only when any of those but the centre
    // changed, and then `*changed` is set. False when nothing can be drawn.
    bool Prepare(int cx, int cy, int r, const std::vector<DialArc>& arcs, double scale, DWORD outline,
                 bool* changed);
    // Blends the prepared layer onto hDC.
    bool Draw(HDC hDC) const;
    // Lays the arcs over a needle's premultiplied pixels, as blending the
    // needle and then the arcs onto anything would: within `box` of `bits`
    // (`stride` pixels a row, whose first pixel lies at `origin` in the
    // window), each pixel the needle covers becomes the arcs "atop" it,
    // keeping the needle's coverage; the rest stays transparent. The needle
    // blended alone then looks as if the arcs had been drawn after it.
    void Atop(DWORD* bits, int stride, const RECT& box, POINT origin) const;

private:
    bool Render(int r, const std::vector<DialArc>& arcs, double scale, DWORD outline);
    int Margin() const;

    std::unique_ptr<CSkinImage> m_layer;
    int m_radius = -1;
    double m_scale = 1.0;
    std::vector<DialArc> m_arcs;
    DWORD m_outline = 0;
    RECT m_at = {};  // where the layer lies, window pixels
};

}  // namespace DuiLib
