#include "speeddial/NeedleCache.h"

#include <objbase.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace DuiLib {

namespace {

// What the kept angles may hold. At 100 % a turned needle keeps about 6 KiB,
// so a whole sweep of the scale (about 1.5 MiB) fits; at larger scales the angles farthest
// from the needle go first.
constexpr size_t kMaxBytes = 2048 * 1024;

int Normalised(int angle) { return ((angle % 360) + 360) % 360; }

template <typename Frame>
size_t BytesOf(const Frame& f) {
    return f.pixels.size() * sizeof(f.pixels[0]) + f.runs.size() * sizeof(f.runs[0]) + sizeof(Frame);
}

}  // namespace

CNeedleCache::CNeedleCache() = default;

// The GDI+ bitmap points into the surface's pixels: it goes first.
CNeedleCache::~CNeedleCache() { Clear(); }

void CNeedleCache::Clear() {
    m_frames.clear();
    m_bytes = 0;
    m_canvas.reset();
    m_surface.Reset();
}

bool CNeedleCache::Prepare(int side) {
    if (m_surface && Side() == side) return true;
    Clear();
    if (!m_surface.Create(nullptr, side, side)) return false;
    m_canvas = std::make_unique<Gdiplus::Bitmap>(side, side, side * 4, PixelFormat32bppPARGB,
                                                 static_cast<BYTE*>(m_surface.Bits()));
    if (m_canvas->GetLastStatus() != Gdiplus::Ok) {
        Clear();
        return false;
    }
    return true;
}

bool CNeedleCache::Inside(const RECT& box) const {
    return m_surface && box.left >= 0 && box.top >= 0 && box.right <= Side() && box.bottom <= Side() &&
           box.right > box.left && box.bottom > box.top;
}

void CNeedleCache::ClearBox(const RECT& box) {
    if (!Inside(box)) return;
    ::GdiFlush();  // a blend from the surface may still be queued
    auto* bits = static_cast<DWORD*>(m_surface.Bits());
    for (LONG y = box.top; y < box.bottom; ++y)
        std::memset(bits + y * Side() + box.left, 0, (box.right - box.left) * sizeof(DWORD));
}

bool CNeedleCache::Restore(int angle, const RECT& box) {
    const auto it = m_frames.find(Normalised(angle));
    if (it == m_frames.end() || !::EqualRect(&it->second.box, &box) || !Inside(box)) return false;
    ClearBox(box);
    const Frame& f = it->second;
    auto* bits = static_cast<DWORD*>(m_surface.Bits());
    const DWORD* from = f.pixels.data();
    for (LONG y = box.top, row = 0; y < box.bottom; ++y, ++row) {
        const uint16_t first = f.runs[2 * row], count = f.runs[2 * row + 1];
        std::memcpy(bits + y * Side() + box.left + first, from, count * sizeof(DWORD));
        from += count;
    }
    return true;
}

void CNeedleCache::Keep(int angle, const RECT& box) {
    if (!Inside(box)) return;
    ::GdiFlush();
    Frame f;
    f.box = box;
    const auto* bits = static_cast<const DWORD*>(m_surface.Bits());
    const LONG width = box.right - box.left;
    f.runs.reserve(2 * (box.bottom - box.top));
    for (LONG y = box.top; y < box.bottom; ++y) {
        const DWORD* row = bits + y * Side() + box.left;
        LONG first = 0, last = width;
        while (first < width && row[first] == 0) ++first;
        while (last > first && row[last - 1] == 0) --last;
        f.runs.push_back(static_cast<uint16_t>(first));
        f.runs.push_back(static_cast<uint16_t>(last - first));
        f.pixels.insert(f.pixels.end(), row + first, row + last);
    }
    const size_t bytes = BytesOf(f);
    const int key = Normalised(angle);
    const auto old = m_frames.find(key);
    if (old != m_frames.end()) {
        m_bytes -= BytesOf(old->second);
        m_frames.erase(old);
    }
    MakeRoom(key, bytes);
    m_frames.emplace(key, std::move(f));
    m_bytes += bytes;
}

void CNeedleCache::MakeRoom(int angle, size_t bytes) {
    while (!m_frames.empty() && m_bytes + bytes > kMaxBytes) {
        auto farthest = m_frames.begin();
        int distance = -1;
        for (auto it = m_frames.begin(); it != m_frames.end(); ++it) {
            const int d = std::abs(it->first - angle), around = std::min(d, 360 - d);
            if (around > distance) {
                distance = around;
                farthest = it;
            }
        }
        m_bytes -= BytesOf(farthest->second);
        m_frames.erase(farthest);
    }
}

bool CNeedleCache::Blend(HDC hDC, const RECT& box, POINT at) const {
    if (!Inside(box)) return false;
    const BLENDFUNCTION bf = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return ::GdiAlphaBlend(hDC, at.x, at.y, box.right - box.left, box.bottom - box.top, m_surface.Dc(), box.left,
                           box.top, box.right - box.left, box.bottom - box.top, bf) != FALSE;
}

}  // namespace DuiLib
