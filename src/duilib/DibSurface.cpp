#include "duilib/DibSurface.h"

namespace DuiLib {

bool CDibSurface::Create(HDC reference, int width, int height) {
    Reset();
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down, as GDI+ lays out its rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_bitmap.Reset(::CreateDIBSection(reference, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    m_dc.Reset(::CreateCompatibleDC(reference));
    if (!m_bitmap || !bits || !m_dc) {
        Reset();
        return false;
    }
    m_oldBitmap = ::SelectObject(m_dc.Get(), m_bitmap.Get());
    m_bits = bits;
    m_size = {width, height};
    return true;
}

void CDibSurface::Reset() {
    if (m_dc && m_oldBitmap) ::SelectObject(m_dc.Get(), m_oldBitmap);
    m_oldBitmap = nullptr;
    m_dc.Reset();
    m_bitmap.Reset();
    m_bits = nullptr;
    m_size = {0, 0};
}

}  // namespace DuiLib
