#include "duilib/SkinImage.h"

#include <cstring>

#include "base/Win32Owners.h"
#include "duilib/GdiplusHeaders.h"
#include "duilib/PngDecoder.h"

namespace DuiLib {

CSkinImage::~CSkinImage() {
    // The GDI+ bitmap points into the section's pixels: it goes first.
    m_bitmap.reset();
}

namespace {
std::unique_ptr<Gdiplus::Image> DecodeWithGdiplus(const std::vector<BYTE>& file) {
    // Decode from a stream on moveable global memory; the image reads from
    // it for as long as it lives.
    vt::UniqueGlobal mem(::GlobalAlloc(GMEM_MOVEABLE, file.size()));
    void* p = mem ? ::GlobalLock(mem.Get()) : nullptr;
    if (!p) return nullptr;
    memcpy(p, file.data(), file.size());
    ::GlobalUnlock(mem.Get());
    vt::ComPtr<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(mem.Get(), TRUE, stream.Put()))) return nullptr;
    mem.Release();  // the stream frees it now
    std::unique_ptr<Gdiplus::Image> image(Gdiplus::Image::FromStream(stream.Get()));
    if (!image || image->GetLastStatus() != Gdiplus::Ok) return nullptr;
    return image;
}
}  // namespace

std::unique_ptr<CSkinImage> CSkinImage::Decode(const std::vector<BYTE>& file) {
    if (file.empty()) return nullptr;
    CPngDecoder png;
    const CPngDecoder::Result header = png.Open(file.data(), file.size());
    if (header == CPngDecoder::Result::kOk) {
        std::unique_ptr<CSkinImage> self = Blank(png.Width(), png.Height());
        if (!self || png.Decode(static_cast<uint8_t*>(self->m_surface.Bits()), 4 * static_cast<size_t>(self->m_width)) !=
                         CPngDecoder::Result::kOk)
            return nullptr;
        return self;
    }
    // Only a sound PNG of a kind the reader does not take, or a file of
    // another format, goes to GDI+ (and with it, under Wine, its codecs).
    if (header == CPngDecoder::Result::kFailed) return nullptr;
    std::unique_ptr<Gdiplus::Image> image = DecodeWithGdiplus(file);
    return image ? FromImage(*image) : nullptr;
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
    if (!self->m_surface.Create(nullptr, w, h)) return nullptr;
    auto* bits = static_cast<BYTE*>(self->m_surface.Bits());
    self->m_bitmap = std::make_unique<Gdiplus::Bitmap>(w, h, w * 4, PixelFormat32bppPARGB, bits);
    if (self->m_bitmap->GetLastStatus() != Gdiplus::Ok) return nullptr;
    return self;  // a new section is all zeros: fully transparent
}

std::unique_ptr<CSkinImage> CSkinImage::Tinted(const CSkinImage& source, const RECT& part, DWORD argb) {
    const RECT whole = {0, 0, source.m_width, source.m_height};
    RECT r;
    if (!::IntersectRect(&r, &part, &whole)) return nullptr;
    std::unique_ptr<CSkinImage> self = Blank(r.right - r.left, r.bottom - r.top);
    if (!self) return nullptr;
    self->m_layoutWidth = self->m_width;
    self->m_layoutHeight = self->m_height;
    ::GdiFlush();  // GDI may still owe the source's section a drawing
    const auto* from = static_cast<const BYTE*>(source.m_surface.Bits());
    auto* to = static_cast<BYTE*>(self->m_surface.Bits());
    const unsigned colour[3] = {argb & 0xFF, (argb >> 8) & 0xFF, (argb >> 16) & 0xFF};  // B, G, R
    const unsigned opacity = argb >> 24;
    for (int y = 0; y < self->m_height; ++y) {
        const BYTE* s = from + (static_cast<size_t>(r.top + y) * source.m_width + r.left) * 4;
        BYTE* d = to + static_cast<size_t>(y) * self->m_width * 4;
        for (int x = 0; x < self->m_width; ++x, s += 4, d += 4) {
            const unsigned a = s[3] * opacity / 255;  // premultiplied, as the section holds its pixels
            for (int c = 0; c < 3; ++c) d[c] = static_cast<BYTE>(colour[c] * a / 255);
            d[3] = static_cast<BYTE>(a);
        }
    }
    return self;
}

bool CSkinImage::BlendUnscaled(HDC hDC, const RECT& dst, const RECT& src, BYTE alpha) const {
    const int w = src.right - src.left, h = src.bottom - src.top;
    if (w <= 0 || h <= 0) return true;
    BLENDFUNCTION bf = {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    return ::GdiAlphaBlend(hDC, dst.left, dst.top, w, h, m_surface.Dc(), src.left, src.top, w, h, bf) != FALSE;
}

}  // namespace DuiLib
