#pragma once
// One small kit of owners: kernel handles, files, registry keys, libraries,
// GDI objects and DCs, icons, memory blocks, security IDs, hash objects, COM
// references, selections into a DC and locks. Each gives back what it holds when it
// goes, so an early return leaks nothing; the program's raw release calls
// live only here.
#include <windows.h>
#include <bcrypt.h>

#include <utility>

namespace vt {

// The export `name` of a module as a function of type F, or null: the one
// place where a looked-up address becomes a typed function.
template <typename F>
F ProcAddress(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

namespace release {
inline void Handle(HANDLE h) { ::CloseHandle(h); }
inline void RegKey(HKEY h) { ::RegCloseKey(h); }
inline void Module(HMODULE h) { ::FreeLibrary(h); }
template <typename T>
inline void GdiObject(T h) { ::DeleteObject(h); }
inline void MemoryDc(HDC h) { ::DeleteDC(h); }
inline void Icon(HICON h) { ::DestroyIcon(h); }
inline void Global(HGLOBAL h) { ::GlobalFree(h); }
inline void Local(HLOCAL h) { ::LocalFree(h); }
inline void Sid(PSID s) { ::FreeSid(s); }
// bcrypt is loaded at its first use, not imported; a handle of its own
// means it is loaded, so its closers are found among the loaded modules.
inline void CryptAlgorithm(BCRYPT_ALG_HANDLE h) {
    auto close = ProcAddress<decltype(&::BCryptCloseAlgorithmProvider)>(::GetModuleHandleW(L"bcrypt.dll"),
                                                                        "BCryptCloseAlgorithmProvider");
    if (close) close(h, 0);
}
inline void CryptHash(BCRYPT_HASH_HANDLE h) {
    auto destroy = ProcAddress<decltype(&::BCryptDestroyHash)>(::GetModuleHandleW(L"bcrypt.dll"), "BCryptDestroyHash");
    if (destroy) destroy(h);
}
// A window that its owner's destruction took along is gone already.
inline void Window(HWND h) {
    if (::IsWindow(h)) ::DestroyWindow(h);
}
}  // namespace release

// Most handles mean "none" by null; kernel handles also by
// INVALID_HANDLE_VALUE, which is how CreateFile fails.
struct NullIsNone {
    template <typename T>
    static bool Holds(T h) { return h != nullptr; }
};
struct NullOrInvalidIsNone {
    static bool Holds(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
};

template <typename T, void (*Close)(T), typename None = NullIsNone>
class UniqueAny {
public:
    UniqueAny() = default;
    explicit UniqueAny(T h) : m_h(h) {}
    ~UniqueAny() { Reset(); }
    UniqueAny(UniqueAny&& other) noexcept : m_h(other.Release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;

    T Get() const { return m_h; }
    bool Valid() const { return None::Holds(m_h); }
    explicit operator bool() const { return Valid(); }
    T Release() { return std::exchange(m_h, T{}); }
    void Reset(T h = T{}) {
        if (Valid()) Close(m_h);
        m_h = h;
    }
    // For calls that hand out a new handle through a pointer.
    T* Put() {
        Reset();
        return &m_h;
    }

private:
    T m_h{};
};

using UniqueHandle = UniqueAny<HANDLE, &release::Handle, NullOrInvalidIsNone>;
using UniqueFile = UniqueHandle;
using UniqueRegKey = UniqueAny<HKEY, &release::RegKey>;
using UniqueModule = UniqueAny<HMODULE, &release::Module>;
template <typename T>
using UniqueGdi = UniqueAny<T, &release::GdiObject<T>>;
using UniqueFont = UniqueGdi<HFONT>;
using UniqueBitmap = UniqueGdi<HBITMAP>;
using UniqueMemoryDc = UniqueAny<HDC, &release::MemoryDc>;
using UniqueIcon = UniqueAny<HICON, &release::Icon>;
using UniqueGlobal = UniqueAny<HGLOBAL, &release::Global>;
using UniqueLocal = UniqueAny<HLOCAL, &release::Local>;
using UniqueSid = UniqueAny<PSID, &release::Sid>;
// Hashing through the system's cryptography (bcrypt).
using UniqueCryptAlgorithm = UniqueAny<BCRYPT_ALG_HANDLE, &release::CryptAlgorithm>;
using UniqueCryptHash = UniqueAny<BCRYPT_HASH_HANDLE, &release::CryptHash>;
using UniqueWindow = UniqueAny<HWND, &release::Window>;

// A window's (or, for null, the screen's) DC, given back when it goes.
class WindowDc {
public:
    explicit WindowDc(HWND window) : m_window(window), m_dc(::GetDC(window)) {}
    ~WindowDc() {
        if (m_dc) ::ReleaseDC(m_window, m_dc);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    HWND m_window;
    HDC m_dc;
};

// One COM reference.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    T** Put() {
        Reset();
        return &m_p;
    }
    void Reset() {
        if (m_p) m_p->Release();
        m_p = nullptr;
    }

private:
    T* m_p = nullptr;
};

// Selects an object into a DC for one scope and puts the old one back, so
// the object is never deleted while still selected.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(object ? ::SelectObject(dc, object) : nullptr) {}
    ~ScopedSelect() {
        if (m_old) ::SelectObject(m_dc, m_old);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// A critical section that lives as long as its owner.
class CriticalSection {
public:
    CriticalSection() { ::InitializeCriticalSection(&m_cs); }
    ~CriticalSection() { ::DeleteCriticalSection(&m_cs); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void Enter() { ::EnterCriticalSection(&m_cs); }
    void Leave() { ::LeaveCriticalSection(&m_cs); }

private:
    CRITICAL_SECTION m_cs;
};

// Holds a critical section for one scope.
class LockGuard {
public:
    explicit LockGuard(CriticalSection& cs) : m_cs(cs) { m_cs.Enter(); }
    ~LockGuard() { m_cs.Leave(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    CriticalSection& m_cs;
};

// A library loaded at run time, and its exports by name with their types.
class DynamicLibrary {
public:
    DynamicLibrary() = default;
    explicit DynamicLibrary(HMODULE module) : m_module(module) {}

    bool Loaded() const { return m_module.Valid(); }
    HMODULE Get() const { return m_module.Get(); }
    void Reset(HMODULE module = nullptr) { m_module.Reset(module); }
    HMODULE Release() { return m_module.Release(); }

    // The export `name` as a function of type F, or null.
    template <typename F>
    F Proc(const char* name) const {
        return ProcAddress<F>(m_module.Get(), name);
    }

private:
    UniqueModule m_module;
};

}  // namespace vt
