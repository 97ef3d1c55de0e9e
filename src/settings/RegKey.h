#pragma once
// Owns one open registry key handle; closes it when it goes.
#include <windows.h>

class CRegKey {
public:
    CRegKey() = default;
    ~CRegKey();
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    // Opens root\subkey with the given access; returns the system's result.
    LONG Open(HKEY root, const wchar_t* subkey, REGSAM access);
    void Close();
    HKEY Get() const { return m_hKey; }

private:
    HKEY m_hKey = nullptr;
};
