#include "settings/Settings.h"

#include <cwctype>

#include "settings/LanguageFile.h"
#include "settings/SettingsFile.h"

namespace {

// Made on first use and never freed, so that late readers during exit and
// the monitor thread never see a destroyed object.
CSettingsFile& AppSettings() {
    static CSettingsFile* settings = new CSettingsFile();
    return *settings;
}

CLanguageFile& AppLanguage() {
    static CLanguageFile* language = new CLanguageFile();
    return *language;
}

}  // namespace

bool InitSettingsPath() { return AppSettings().InitSettingsPath(); }
std::wstring GetSettingsPath() { return AppSettings().GetPath(); }
std::wstring GetQuickKey() { return AppSettings().GetQuickKey(); }

unsigned HotKeyCodeOf(const std::wstring& key) {
    return key.empty() ? L'O' : (unsigned)std::towupper(key[0]);
}

int ReadSettingInt(const wchar_t* key, int defaultValue) {
    return AppSettings().ReadInt(key, defaultValue);
}
bool WriteSettingInt(const wchar_t* key, int value) { return AppSettings().WriteInt(key, value); }
bool WriteSettingString(const wchar_t* key, const std::wstring& value) {
    return AppSettings().WriteString(key, value);
}

int GetAutoStartSetting() { return AppSettings().GetAutoStart(); }
int GetStopOverSetting() { return AppSettings().GetStopOver(); }
int GetMinModeSetting() { return AppSettings().GetMinMode(); }
int GetMonitorTimeSetting() { return AppSettings().GetMonitorTime(); }
bool IsAutoStartOn() { return GetAutoStartSetting() == 1; }
bool IsStopOverOn() { return GetStopOverSetting() == 1; }

std::wstring GetLanguageString(const wchar_t* key) { return AppLanguage().GetLanguageString(key); }

std::wstring GetLanguageFilePath() {
    CLanguageFile& language = AppLanguage();
    if (language.GetPath().size() < 5) language.SelectLanguageFile();
    return language.GetPath();
}
