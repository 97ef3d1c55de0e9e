#pragma once
// The dial without its needle: the face with the arcs over it, composed
// once into a surface of the dial's size. A needle's frame copies its box
// from there instead of blending the face and the arcs again (a plain blit
// where the box is all opaque, as it is around the needle), and then blends
// only the needle, whose kept pixels carry the arcs that pass over it
// (CArcLayer::Atop): the same picture as face, needle, arcs in turn.
#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

#include "duilib/DibSurface.h"

namespace DuiLib {

class CDialBackground {
public:
    // Lets the surface go: the face, the arcs or the scale changed, or
    // nobody sees the dial.
    void Clear();
    // Composed for the dial at `item` (window pixels).
    bool ReadyFor(const RECT& item) const;
    // Composes it anew for the dial at `item`: `paint` draws the face and
    // the arcs onto the DC it is given, in window pixels. False when the
    // surface cannot be had.
    bool Compose(const RECT& item, const std::function<void(HDC)>& paint);
    // `part` of it (window pixels) onto hDC.
    bool Draw(HDC hDC, const RECT& part) const;
    // Composed, and every pixel of `part` (window pixels, inside the dial) opaque.
    bool Covers(const RECT& part) const;

private:
    bool Opaque(const RECT& part) const;  // every pixel of `part` (surface pixels)

    CDibSurface m_surface;
    RECT m_item = {};
    std::vector<std::pair<LONG, LONG>> m_opaque;  // per row: the widest run of opaque pixels
};

}  // namespace DuiLib
