#include "SvcClientConfig.h"

#include <windows.h>

#include "common/SimEnvironment.h"

CSvcClientConfig::CSvcClientConfig() : m_strFolder(simcommon::OwnFolder()) {
    m_strProfile = simcommon::SwitchFile();
    m_strRecord = simcommon::RecordFile();
}

int CSvcClientConfig::ReadInt(const wchar_t* key, int fallback) const {
    return static_cast<int>(GetPrivateProfileIntW(L"ServiceClient", key, fallback, m_strProfile.c_str()));
}

bool CSvcClientConfig::TakesOverStart() const { return ReadInt(L"StartClientResult", 0) == 1; }

bool CSvcClientConfig::LaunchesProgram() const { return ReadInt(L"LaunchOnStart", 0) == 1; }

void CSvcClientConfig::Record(const std::wstring& line) const {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr,
                                    nullptr);
    if (bytes <= 0) return;
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &utf8[0], bytes, nullptr, nullptr);
    simcommon::AppendLine(m_strRecord, utf8);
}
