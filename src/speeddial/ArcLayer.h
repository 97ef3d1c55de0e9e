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
    // Draws the arcs on the circle of radius r around (cx, cy) with pens 4
    // layout pixels wide (times `scale`, the display's), each edged in
    // `outline` unless that is 0; false when nothing could be drawn.
    bool Draw(HDC hDC, int cx, int cy, int r, const std::vector<DialArc>& arcs, double scale = 1.0,
              DWORD outline = 0);

private:
    bool Render(int r, const std::vector<DialArc>& arcs, double scale, DWORD outline);
    int Margin() const;

    std::unique_ptr<CSkinImage> m_layer;
    int m_radius = -1;
    double m_scale = 1.0;
    std::vector<DialArc> m_arcs;
    DWORD m_outline = 0;
};

}  // namespace DuiLib
