#include "settings/BaseReg.h"

#include <cwchar>

#include "log/BaseLog.h"
#include "base/Win32Owners.h"

CBaseReg::CBaseReg(HKEY root, const wchar_t* subkey, REGSAM extraAccess)
    : m_hRootKey(root), m_szSubKey{}, m_dwExtraAccess(extraAccess) {
    // A path that does not fit is dropped rather than cut: a cut path would
    // name some other key.
    if (subkey && std::wcslen(subkey) < MAX_PATH) std::wcscpy(m_szSubKey, subkey);
}

bool CBaseReg::ReadString(const wchar_t* valueName, wchar_t* buffer, DWORD bufferBytes) {
    const DWORD chars = bufferBytes / sizeof(wchar_t);
    if (buffer == nullptr || chars == 0) return false;
    buffer[0] = 0;
    if (m_szSubKey[0] == 0) return false;

    vt::UniqueRegKey key;
    if (RegOpenKeyExW(m_hRootKey, m_szSubKey, 0, KEY_QUERY_VALUE | m_dwExtraAccess, key.Put()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = chars * sizeof(wchar_t);
    LONG rc = RegQueryValueExW(key.Get(), valueName, nullptr, &type,
                               reinterpret_cast<BYTE*>(buffer), &size);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        buffer[0] = 0;
        return false;
    }
    // The stored data need not carry its terminator; a value that fills the
    // whole buffer without one is too long to be trusted.
    DWORD got = size / sizeof(wchar_t);
    if (got < chars) {
        buffer[got] = 0;
    } else if (buffer[chars - 1] != 0) {
        buffer[0] = 0;
        return false;
    }
    return true;
}

bool CBaseReg::IsWow64() {
    static const bool s_bIsWow64 = [] {
        BOOL bIsWow64 = FALSE;
        using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
        auto fn = vt::ProcAddress<IsWow64ProcessFn>(GetModuleHandleW(L"kernel32"), "IsWow64Process");
        if (fn) {
            if (!fn(GetCurrentProcess(), &bIsWow64)) {
                VLOG("error IsWow64Process");
                VLOG_LASTERROR();
                bIsWow64 = FALSE;
            }
        }
        VLOG("bIsWow64[%d]", (int)bIsWow64);
        return bIsWow64 != FALSE;
    }();
    return s_bIsWow64;
}
