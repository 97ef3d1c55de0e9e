#include "support/StandInSwitch.h"

#include <windows.h>

namespace {

// Drops what this process has read of the file, so that the next read (here,
// or in a stand-in loaded here) sees the bytes on disk.
void ForgetCached(const std::wstring& file) { WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str()); }

}  // namespace

bool WriteStandInSwitch(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                        const std::wstring& value) {
    BOOL ok = WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), file.c_str());
    ForgetCached(file);
    return ok != FALSE;
}

ScopedStandInSwitch::ScopedStandInSwitch(const std::wstring& module, const std::wstring& key,
                                         const std::wstring& value, const std::wstring& folder,
                                         const std::wstring& section)
    : m_file(TestPaths::Join(folder, module + L".ini")),
      m_existed(GetFileAttributesW(m_file.c_str()) != INVALID_FILE_ATTRIBUTES),
      m_before(TestPaths::ReadFileBytes(m_file)) {
    WriteStandInSwitch(m_file, section, key, value);
}

ScopedStandInSwitch::~ScopedStandInSwitch() {
    if (m_existed) TestPaths::WriteFileBytes(m_file, m_before);
    else DeleteFileW(m_file.c_str());
    ForgetCached(m_file);
}
