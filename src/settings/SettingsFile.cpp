#include "settings/SettingsFile.h"

#include <windows.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cwchar>

#include "log/BaseLog.h"
#include "settings/ModulePath.h"
#include "settings/SettingsKeys.h"

namespace {

constexpr DWORD kValueChars = 256;

// Strict decimal: optional sign and digits only, within int's range.
bool ParseDecimal(const std::wstring& text, int* value) {
    if (text.empty()) return false;
    size_t i = (text[0] == L'-' || text[0] == L'+') ? 1 : 0;
    if (i == text.size()) return false;
    for (size_t k = i; k < text.size(); ++k)
        if (text[k] < L'0' || text[k] > L'9') return false;
    errno = 0;
    wchar_t* end = nullptr;
    long long v = std::wcstoll(text.c_str(), &end, 10);
    if (errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
    *value = static_cast<int>(v);
    return true;
}

}  // namespace

bool CSettingsFile::InitSettingsPath() {
    std::wstring module = GetModulePath();
    size_t slash = module.find_last_of(L"\\/");
    if (module.empty() || slash == std::wstring::npos) {
        VLOG("module path unknown, settings stay at their defaults");
        m_strPath.clear();
        return false;
    }
    std::wstring name = module.substr(slash + 1);
    size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    m_strPath = module.substr(0, slash + 1) + name + L".ini";
    return true;
}

std::wstring CSettingsFile::ReadString(const wchar_t* key, const wchar_t* defaultValue) const {
    if (m_strPath.empty()) return defaultValue ? defaultValue : L"";
    wchar_t buffer[kValueChars] = {};
    DWORD n = GetPrivateProfileStringW(kSettingsSection, key, defaultValue, buffer, kValueChars,
                                       m_strPath.c_str());
    if (n >= kValueChars) n = kValueChars - 1;
    return std::wstring(buffer, n);
}

int CSettingsFile::ReadInt(const wchar_t* key, int defaultValue) const {
    std::wstring text = ReadString(key, L"");
    if (text.empty()) return defaultValue;
    int value = 0;
    if (!ParseDecimal(text, &value)) {
        VLOG("[%ls] %ls=\"%ls\" is not a valid number, using %d", kSettingsSection, key, text.c_str(),
             defaultValue);
        return defaultValue;
    }
    return value;
}

std::wstring CSettingsFile::GetQuickKey() {
    std::wstring text = ReadString(kKeyQuickKey, kDefaultQuickKey);
    if (!text.empty()) m_strQuickKey = text;
    if (m_strQuickKey.empty()) m_strQuickKey = kDefaultQuickKey;
    return m_strQuickKey;
}

bool CSettingsFile::WriteString(const wchar_t* key, const std::wstring& value) const {
    if (m_strPath.empty()) {
        VLOG("settings path not set, %ls not written", key);
        return false;
    }
    if (!WritePrivateProfileStringW(kSettingsSection, key, value.c_str(), m_strPath.c_str())) {
        VLOG("write %ls failed", key);
        VLOG_LASTERROR();
        return false;
    }
    return true;
}

bool CSettingsFile::WriteInt(const wchar_t* key, int value) const {
    wchar_t text[16] = {};
    std::swprintf(text, 16, L"%d", value);
    return WriteString(key, text);
}

int CSettingsFile::GetAutoStart() const { return ReadInt(kKeyAutoStart, kDefaultAutoStart); }
int CSettingsFile::GetStopOver() const { return ReadInt(kKeyStopOver, kDefaultStopOver); }
int CSettingsFile::GetMinMode() const { return ReadInt(kKeyMinMode, kDefaultMinMode); }

int CSettingsFile::GetMonitorTime() const {
    int period = ReadInt(kKeyMonitorTime, kDefaultMonitorTime);
    if (period < 0) {
        VLOG("MonitorTime %d is negative, using %d", period, kDefaultMonitorTime);
        return kDefaultMonitorTime;
    }
    // Shorter periods only keep a core busy and fill the log with readings.
    if (period < kMinMonitorTime) {
        VLOG("MonitorTime %d is below %d ms, using %d", period, kMinMonitorTime, kMinMonitorTime);
        return kMinMonitorTime;
    }
    return period;
}
