#pragma once
// The system's version resources reader (version.dll), loaded at its first
// use (the settings window's "about" line) rather than at every start.
#include <windows.h>

#include "base/SystemLibrary.h"

class CVersionLibrary {
public:
    // The one instance, loaded at the first call from whichever thread.
    static const CVersionLibrary& Get();

    // False when the library or one of its entries is missing (logged once):
    // no version can then be read.
    bool Ready() const { return m_ready; }

    DWORD InfoSize(const wchar_t* path) const;
    bool Info(const wchar_t* path, DWORD size, void* data) const;
    bool QueryValue(const void* block, const wchar_t* subBlock, void** value, UINT* size) const;

private:
    CVersionLibrary();

    vt::CSystemLibrary m_library;
    decltype(&::GetFileVersionInfoSizeW) m_infoSize = nullptr;
    decltype(&::GetFileVersionInfoW) m_info = nullptr;
    decltype(&::VerQueryValueW) m_queryValue = nullptr;
    bool m_ready = false;
};
