#include "settings/RegKey.h"

CRegKey::~CRegKey() { Close(); }

LONG CRegKey::Open(HKEY root, const wchar_t* subkey, REGSAM access) {
    Close();
    return RegOpenKeyExW(root, subkey, 0, access, &m_hKey);
}

void CRegKey::Close() {
    if (m_hKey) {
        RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }
}
