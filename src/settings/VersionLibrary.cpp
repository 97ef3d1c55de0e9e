#include "settings/VersionLibrary.h"

#include "log/BaseLog.h"

const CVersionLibrary& CVersionLibrary::Get() {
    static const CVersionLibrary s_library;
    return s_library;
}

CVersionLibrary::CVersionLibrary() : m_library(L"version.dll") {
    m_ready = m_library.Find("GetFileVersionInfoSizeW", &m_infoSize) && m_library.Find("GetFileVersionInfoW", &m_info) &&
              m_library.Find("VerQueryValueW", &m_queryValue);
    if (!m_ready) VLOG("version reading off: %s", m_library.Problem().c_str());
}

DWORD CVersionLibrary::InfoSize(const wchar_t* path) const {
    DWORD handle = 0;
    return m_infoSize ? m_infoSize(path, &handle) : 0;
}

bool CVersionLibrary::Info(const wchar_t* path, DWORD size, void* data) const {
    return m_info && m_info(path, 0, size, data);
}

bool CVersionLibrary::QueryValue(const void* block, const wchar_t* subBlock, void** value, UINT* size) const {
    return m_queryValue && m_queryValue(block, subBlock, value, size);
}
