#pragma once
// The dial's needle, turned once per whole degree and kept. A walk of the
// needle passes the same few dozen angles again and again, and turning an
// image with GDI+ costs far more than blending the turned pixels: each frame
// after the first at an angle is one AlphaBlend of the needle's box.
#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "base/NonCopyable.h"
#include "duilib/DibSurface.h"

namespace Gdiplus {
class Bitmap;
}

namespace DuiLib {

class CNeedleCache : private vt::NonCopyable {
public:
    CNeedleCache();
    ~CNeedleCache();

    // Forgets every angle and lets the surface go (new image or scale, or
    // nobody looking).
    void Clear();
    // A square surface of `side` pixels to turn the needle in; a new size
    // forgets every angle. False when it cannot be had.
    bool Prepare(int side);
    int Side() const { return m_surface.Size().cx; }
    // Puts the pixels kept for `angle` back into `box` of the surface; false
    // when that angle was never kept (draw it into Canvas(), then Keep()).
    bool Restore(int angle, const RECT& box);
    // `box` of the surface cleared to transparent, for a fresh drawing.
    void ClearBox(const RECT& box);
    Gdiplus::Bitmap* Canvas() const { return m_canvas.get(); }
    // The surface's premultiplied pixels, Side() a row.
    DWORD* Pixels() const { return static_cast<DWORD*>(m_surface.Bits()); }
    // Keeps `box` of the surface as the picture at `angle`.
    void Keep(int angle, const RECT& box);
    // Blends `box` of the surface onto hDC with its corner at `at`.
    bool Blend(HDC hDC, const RECT& box, POINT at) const;

    size_t KeptAngles() const { return m_frames.size(); }
    size_t KeptBytes() const { return m_bytes; }

private:
    // Only the inked run of each row is kept: a thin needle crosses its box
    // diagonally, and the rest of the box is transparent.
    struct Frame {
        RECT box;
        std::vector<uint16_t> runs;  // per row: first inked column, inked count
        std::vector<DWORD> pixels;
    };
    void MakeRoom(int angle, size_t bytes);
    bool Inside(const RECT& box) const;

    CDibSurface m_surface;
    std::unique_ptr<Gdiplus::Bitmap> m_canvas;
    std::map<int, Frame> m_frames;
    size_t m_bytes = 0;
};

}  // namespace DuiLib
