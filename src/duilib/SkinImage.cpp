#include "duilib/SkinImage.h"

#include "duilib/GdiplusHeaders.h"

namespace DuiLib {

CSkinImage::~CSkinImage() {
    // The GDI+ bitmap points into the section's pixels: it goes first, and
    // the section leaves its DC before either is deleted.
    m_bitmap.reset();
    if (m_dc && m_oldBitmap) ::SelectObject(m_dc.Get(), m_oldBitmap);
}

std::unique_ptr<CSkinImage> CSkinImage::FromImage(Gdiplus::Image& image) {
    std::unique_ptr<CSkinImage> self =
        Blank(static_cast<int>(image.GetWidth()), static_cast<int>(image.GetHeight()));
    if (!self) return nullptr;
    Gdiplus::Graphics g(self->m_bitmap.get());
    g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    if (g.DrawImage(&image, 0, 0, self->m_width, self->m_height) != Gdiplus::Ok) return nullptr;
    return self;
}

std::unique_ptr<CSkinImage> CSkinImage::Resampled(const CSkinImage& source, int w, int h) {
    std::unique_ptr<CSkinImage> self = Blank(w, h);
    if (!self || !source.m_bitmap) return nullptr;
    Gdiplus::Graphics g(self->m_bitmap.get());
    g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    // Mirrored edges keep the filter from pulling transparency in at the borders.
    Gdiplus::ImageAttributes attrs;
    attrs.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    if (g.DrawImage(source.m_bitmap.get(), Gdiplus::Rect(0, 0, w, h), 0, 0, source.m_width, source.m_height,
                    Gdiplus::UnitPixel, &attrs) != Gdiplus::Ok)
        return nullptr;
    return self;
}

std::unique_ptr<CSkinImage> CSkinImage::Blank(int w, int h) {
    if (w <= 0 || h <= 0) return nullptr;
    std::unique_ptr<CSkinImage> self(new CSkinImage);
    self->m_width = w;
    self->m_height = h;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down, as GDI+ lays out its rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    self->m_section.Reset(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    self->m_dc.Reset(::CreateCompatibleDC(nullptr));
    if (!self->m_section || !bits || !self->m_dc) return nullptr;
    self->m_oldBitmap = ::SelectObject(self->m_dc.Get(), self->m_section.Get());
    self->m_bitmap = std::make_unique<Gdiplus::Bitmap>(w, h, w * 4, PixelFormat32bppPARGB, static_cast<BYTE*>(bits));
    if (self->m_bitmap->GetLastStatus() != Gdiplus::Ok) return nullptr;
    return self;  // a new section is all zeros: fully transparent
}

bool CSkinImage::BlendUnscaled(HDC hDC, const RECT& dst, const RECT& src, BYTE alpha) const {
    const int w = src.right - src.left, h = src.bottom - src.top;
    if (w <= 0 || h <= 0) return true;
    BLENDFUNCTION bf = {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    return ::GdiAlphaBlend(hDC, dst.left, dst.top, w, h, m_dc.Get(), src.left, src.top, w, h, bf) != FALSE;
}

}  // namespace DuiLib
