#pragma once
// Small owners for the Win32 and COM handles the toolkit holds.
#include <windows.h>

#include <utility>

namespace DuiLib {

template <typename T, typename Traits>
class CUniqueHandle {
public:
    CUniqueHandle() = default;
    explicit CUniqueHandle(T h) : m_h(h) {}
    ~CUniqueHandle() { Reset(); }
    CUniqueHandle(CUniqueHandle&& o) noexcept : m_h(o.Release()) {}
    CUniqueHandle& operator=(CUniqueHandle&& o) noexcept {
        if (this != &o) Reset(o.Release());
        return *this;
    }
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;

    T Get() const { return m_h; }
    explicit operator bool() const { return m_h != Traits::Invalid(); }
    T Release() { return std::exchange(m_h, Traits::Invalid()); }
    void Reset(T h = Traits::Invalid()) {
        if (m_h != Traits::Invalid()) Traits::Close(m_h);
        m_h = h;
    }

private:
    T m_h = Traits::Invalid();
};

struct GdiObjectTraits {
    static HGDIOBJ Invalid() { return nullptr; }
    static void Close(HGDIOBJ h) { ::DeleteObject(h); }
};
struct FontTraits {
    static HFONT Invalid() { return nullptr; }
    static void Close(HFONT h) { ::DeleteObject(h); }
};
struct BitmapTraits {
    static HBITMAP Invalid() { return nullptr; }
    static void Close(HBITMAP h) { ::DeleteObject(h); }
};
struct MemDcTraits {
    static HDC Invalid() { return nullptr; }
    static void Close(HDC h) { ::DeleteDC(h); }
};
struct ModuleTraits {
    static HMODULE Invalid() { return nullptr; }
    static void Close(HMODULE h) { ::FreeLibrary(h); }
};
struct GlobalTraits {
    static HGLOBAL Invalid() { return nullptr; }
    static void Close(HGLOBAL h) { ::GlobalFree(h); }
};
struct IconTraits {
    static HICON Invalid() { return nullptr; }
    static void Close(HICON h) { ::DestroyIcon(h); }
};

using CFontHandle = CUniqueHandle<HFONT, FontTraits>;
using CBitmapHandle = CUniqueHandle<HBITMAP, BitmapTraits>;
using CMemDcHandle = CUniqueHandle<HDC, MemDcTraits>;
using CModuleHandle = CUniqueHandle<HMODULE, ModuleTraits>;
using CGlobalHandle = CUniqueHandle<HGLOBAL, GlobalTraits>;
using CIconHandle = CUniqueHandle<HICON, IconTraits>;

// Selects an object into a DC for one scope.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~CSelectObject() {
        if (m_old) ::SelectObject(m_dc, m_old);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// A COM reference.
template <typename T>
class CComRef {
public:
    CComRef() = default;
    ~CComRef() { Reset(); }
    CComRef(const CComRef&) = delete;
    CComRef& operator=(const CComRef&) = delete;
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    T** Put() {
        Reset();
        return &m_p;
    }
    explicit operator bool() const { return m_p != nullptr; }
    void Reset() {
        if (m_p) m_p->Release();
        m_p = nullptr;
    }

private:
    T* m_p = nullptr;
};

}  // namespace DuiLib
