#pragma once
// Owns one kernel handle (event, thread, ...) and closes it when it goes.
// Null and INVALID_HANDLE_VALUE both count as "no handle".
#include <windows.h>

class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE h) : m_h(h) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : m_h(other.Release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    HANDLE Get() const { return m_h; }
    bool Valid() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return Valid(); }

    void Reset(HANDLE h = nullptr) {
        if (Valid()) CloseHandle(m_h);
        m_h = h;
    }
    HANDLE Release() {
        HANDLE h = m_h;
        m_h = nullptr;
        return h;
    }

private:
    HANDLE m_h = nullptr;
};
