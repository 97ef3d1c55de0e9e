#pragma once
// Owns one IStream reference.
#include <objidl.h>

class CComStream {
public:
    CComStream() = default;
    ~CComStream() { Reset(); }
    CComStream(const CComStream&) = delete;
    CComStream& operator=(const CComStream&) = delete;

    IStream* Get() const { return m_p; }
    IStream** Put() { Reset(); return &m_p; }
    void Reset() {
        if (m_p) m_p->Release();
        m_p = nullptr;
    }

private:
    IStream* m_p = nullptr;
};
