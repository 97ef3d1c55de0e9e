#include "duilib/RenderEngine.h"

#include <algorithm>
#include <memory>
#include "duilib/GdiplusHeaders.h"

#include "duilib/ImageDesc.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/SkinImage.h"
#include "base/Win32Owners.h"

namespace DuiLib {

void CRenderEngine::DrawColor(HDC hDC, const RECT& rc, DWORD argb) {
    BYTE alpha = static_cast<BYTE>(argb >> 24);
    if (alpha == 0 || rc.right <= rc.left || rc.bottom <= rc.top) return;
    if (alpha == 255) {
        ::SetBkColor(hDC, ToColorRef(argb));
        ::ExtTextOutW(hDC, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
        return;
    }
    Gdiplus::Graphics g(hDC);
    Gdiplus::SolidBrush brush{Gdiplus::Color(static_cast<Gdiplus::ARGB>(argb))};
    g.FillRectangle(&brush, static_cast<INT>(rc.left), static_cast<INT>(rc.top),
                    static_cast<INT>(rc.right - rc.left), static_cast<INT>(rc.bottom - rc.top));
}

void CRenderEngine::DrawBorder(HDC hDC, const RECT& rc, int size, DWORD argb) {
    // `size` is in device pixels (the caller scales it).
    if (size <= 0 || (argb >> 24) == 0) return;
    DrawColor(hDC, RECT{rc.left, rc.top, rc.right, rc.top + size}, argb);
    DrawColor(hDC, RECT{rc.left, rc.bottom - size, rc.right, rc.bottom}, argb);
    DrawColor(hDC, RECT{rc.left, rc.top + size, rc.left + size, rc.bottom - size}, argb);
    DrawColor(hDC, RECT{rc.right - size, rc.top + size, rc.right, rc.bottom - size}, argb);
}

namespace {

// Draws one part of an image. Unscaled parts are blended by GDI from the
// image's own section: GDI+ on a window DC converts and copies the whole
// source for every call, which made each frame of the dial animation cost
// more than everything else the window does while idle. Scaled parts still
// need GDI+'s filtering.
class CPartPainter {
public:
    CPartPainter(HDC hDC, CSkinImage& image, BYTE fade) : m_hDC(hDC), m_image(image), m_fade(fade) {}

    void Draw(const RECT& dst, const RECT& src) {
        const int dw = dst.right - dst.left, dh = dst.bottom - dst.top;
        const int sw = src.right - src.left, sh = src.bottom - src.top;
        if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
        if (dw == sw && dh == sh && m_image.BlendUnscaled(m_hDC, dst, src, m_fade)) return;
        Gdiplus::Graphics& g = Graphics();
        g.DrawImage(m_image.GetBitmap(), Gdiplus::Rect(dst.left, dst.top, dw, dh), src.left, src.top, sw, sh,
                    Gdiplus::UnitPixel, m_fade != 255 ? &m_attrs : nullptr);
    }

private:
    Gdiplus::Graphics& Graphics() {
        if (!m_graphics) {
            m_graphics = std::make_unique<Gdiplus::Graphics>(m_hDC);
            m_graphics->SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
            m_graphics->SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
            if (m_fade != 255) {
                Gdiplus::ColorMatrix m = {{{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0},
                                           {0, 0, 0, m_fade / 255.0f, 0}, {0, 0, 0, 0, 1}}};
                m_attrs.SetColorMatrix(&m);
            }
        }
        return *m_graphics;
    }

    HDC m_hDC;
    CSkinImage& m_image;
    BYTE m_fade;
    std::unique_ptr<Gdiplus::Graphics> m_graphics;
    Gdiplus::ImageAttributes m_attrs;
};

}  // namespace

bool CRenderEngine::DrawImage(HDC hDC, CPaintManagerUI* pManager, const RECT& rcItem, LPCWSTR description,
                              LPCWSTR modify) {
    if (!pManager || !description || !*description) return false;
    CImageDesc desc;
    if (!desc.Parse(description)) return false;
    if (modify && *modify) {
        CImageDesc mod;
        CDuiString withFile(L"file='-' ");
        withFile += modify;
        if (!mod.Parse(withFile)) return false;
        if (mod.bSource) {
            desc.rcSource = mod.rcSource;
            desc.bSource = true;
        }
        if (mod.bDest) {
            desc.rcDest = mod.rcDest;
            desc.bDest = true;
        }
        if (mod.uFade != 255) desc.uFade = mod.uFade;
        if (mod.dwTint) desc.dwTint = mod.dwTint;
    }
    CSkinImage* image = pManager->GetImage(desc.sFile);
    if (!image) return false;
    std::unique_ptr<CSkinImage> tinted;
    // Source, dest and corner are written in 96-DPI pixels; the image is
    // already at the window's scale.
    const int iw = image->GetWidth(), ih = image->GetHeight();
    if (pManager->GetDpi() != 96) {
        desc.rcSource = pManager->Scale(desc.rcSource);
        desc.rcDest = pManager->Scale(desc.rcDest);
        desc.rcCorner = pManager->Scale(desc.rcCorner);
    }
    RECT src = desc.bSource ? desc.rcSource : RECT{0, 0, iw, ih};
    src.left = std::max(0L, src.left);
    src.top = std::max(0L, src.top);
    src.right = std::min(static_cast<LONG>(iw), src.right);
    src.bottom = std::min(static_cast<LONG>(ih), src.bottom);
    RECT dst = rcItem;
    if (desc.bDest) {
        dst = RECT{rcItem.left + desc.rcDest.left, rcItem.top + desc.rcDest.top, rcItem.left + desc.rcDest.right,
                   rcItem.top + desc.rcDest.bottom};
    }
    if (src.right <= src.left || src.bottom <= src.top || dst.right <= dst.left || dst.bottom <= dst.top)
        return true;  // nothing visible to draw
    if (desc.dwTint) {
        // Made for this one draw: only high contrast asks for it, on a few glyphs.
        tinted = CSkinImage::Tinted(*image, src, desc.dwTint);
        if (!tinted) return false;
        image = tinted.get();
        src = RECT{0, 0, image->GetWidth(), image->GetHeight()};
    }

    CPartPainter painter(hDC, *image, static_cast<BYTE>(desc.uFade));
    const RECT& c = desc.rcCorner;
    if (c.left == 0 && c.top == 0 && c.right == 0 && c.bottom == 0) {
        painter.Draw(dst, src);
        return true;
    }
    // Nine parts: corners keep their size, edges stretch one way, the middle both.
    const LONG dx[4] = {dst.left, dst.left + c.left, dst.right - c.right, dst.right};
    const LONG dy[4] = {dst.top, dst.top + c.top, dst.bottom - c.bottom, dst.bottom};
    const LONG sx[4] = {src.left, src.left + c.left, src.right - c.right, src.right};
    const LONG sy[4] = {src.top, src.top + c.top, src.bottom - c.bottom, src.bottom};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            painter.Draw(RECT{dx[col], dy[row], dx[col + 1], dy[row + 1]}, RECT{sx[col], sy[row], sx[col + 1], sy[row + 1]});
    return true;
}

void CRenderEngine::DrawText(HDC hDC, CPaintManagerUI* pManager, RECT rc, LPCWSTR text, DWORD argb, int font,
                             UINT style) {
    if (!text || !*text || !pManager) return;
    vt::ScopedSelect sel(hDC, pManager->GetFont(font));
    ::SetBkMode(hDC, TRANSPARENT);
    ::SetTextColor(hDC, ToColorRef(argb));
    ::DrawTextW(hDC, text, -1, &rc, style | DT_NOPREFIX);
}

}  // namespace DuiLib
