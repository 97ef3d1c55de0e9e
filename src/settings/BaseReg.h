#pragma once
// Reads one string value under a fixed registry key.
#include <windows.h>

class CBaseReg {
public:
    // extraAccess is added to the access mask of every open (for example
    // KEY_WOW64_32KEY to reach the 32-bit view from a 64-bit process).
    CBaseReg(HKEY root, const wchar_t* subkey, REGSAM extraAccess);
    virtual ~CBaseReg() = default;

    // Reads the string value into buffer (bufferBytes bytes, zero-terminated
    // on success). False when the key or value is missing, not a string, or
    // too long for the buffer.
    virtual bool ReadString(const wchar_t* valueName, wchar_t* buffer, DWORD bufferBytes);

    // Whether this 32-bit process runs on 64-bit Windows; asked once per run.
    static bool IsWow64();

private:
    HKEY m_hRootKey;
    wchar_t m_szSubKey[MAX_PATH];
    REGSAM m_dwExtraAccess;
};
