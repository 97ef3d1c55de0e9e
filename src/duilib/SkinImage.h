#pragma once
// A decoded skin image, kept as premultiplied 32-bit pixels in a DIB section.
// Unscaled parts are blended with GDI straight from the section's own DC;
// GDI+ draws the scaled ones from a bitmap over the same pixels, so the
// pixels are held once.
#include <windows.h>

#include <memory>
#include <vector>

#include "duilib/DibSurface.h"

namespace Gdiplus {
class Bitmap;
class Image;
}  // namespace Gdiplus

namespace DuiLib {

class CSkinImage {
public:
    ~CSkinImage();
    // An image file's bytes decoded: PNG by the toolkit's own reader, what
    // it does not take by GDI+. Null when the bytes are no image (a broken
    // PNG is not handed on to GDI+).
    static std::unique_ptr<CSkinImage> Decode(const std::vector<BYTE>& file);
    // Null when the image is empty or the section cannot be had.
    static std::unique_ptr<CSkinImage> FromImage(Gdiplus::Image& image);
    // A transparent image to draw into through GetBitmap().
    static std::unique_ptr<CSkinImage> Blank(int width, int height);
    // `source` at another size, filtered (bicubic); null on failure.
    static std::unique_ptr<CSkinImage> Resampled(const CSkinImage& source, int width, int height);
    // The `part` of `source` in one colour (0xAARRGGBB): its shape, each
    // pixel as opaque as the source's; null when the part is empty.
    static std::unique_ptr<CSkinImage> Tinted(const CSkinImage& source, const RECT& part, DWORD argb);

    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    // The size in layout pixels (96 DPI) that the image stands for; its own
    // pixel size unless it was made for another scale.
    int GetLayoutWidth() const { return m_layoutWidth > 0 ? m_layoutWidth : m_width; }
    int GetLayoutHeight() const { return m_layoutHeight > 0 ? m_layoutHeight : m_height; }
    void SetLayoutSize(int w, int h) {
        m_layoutWidth = w;
        m_layoutHeight = h;
    }
    Gdiplus::Bitmap* GetBitmap() const { return m_bitmap.get(); }
    // Blends src (image pixels) onto dst of hDC at the same size; alpha is
    // the constant opacity on top of the image's own.
    bool BlendUnscaled(HDC hDC, const RECT& dst, const RECT& src, BYTE alpha) const;

private:
    CSkinImage() = default;

    int m_width = 0;
    int m_height = 0;
    int m_layoutWidth = 0;
    int m_layoutHeight = 0;
    CDibSurface m_surface;
    std::unique_ptr<Gdiplus::Bitmap> m_bitmap;
};

}  // namespace DuiLib
