#pragma once
// A 32-bit top-down DIB section selected into a memory DC of its own. The
// one owner of both: Windows refuses to delete a bitmap still selected into
// a DC (and leaks it), so the DC's first bitmap goes back before either is
// deleted.
#include <windows.h>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"

namespace DuiLib {

class CDibSurface : private vt::NonCopyable {
public:
    CDibSurface() = default;
    ~CDibSurface() { Reset(); }

    // Replaces the surface by a new one, all zeros; `reference` may be null
    // (the screen). False, and empty, when it cannot be had.
    bool Create(HDC reference, int width, int height);
    void Reset();

    explicit operator bool() const { return m_dc && m_bitmap; }
    HDC Dc() const { return m_dc.Get(); }
    void* Bits() const { return m_bits; }
    SIZE Size() const { return m_size; }

private:
    vt::UniqueBitmap m_bitmap;
    vt::UniqueMemoryDc m_dc;
    HGDIOBJ m_oldBitmap = nullptr;
    void* m_bits = nullptr;
    SIZE m_size = {0, 0};
};

}  // namespace DuiLib
