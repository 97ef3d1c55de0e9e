#pragma once
// The program's settings and language texts, process-wide. Main thread,
// except the frequency monitor's read of the period (after the path is set).
#include <string>

#include "settings/SettingsKeys.h"

// Resolves "<exe folder>\<exe name>.ini"; start-up runs it before any window.
// Until it has run every read gives its default and every write is refused.
bool InitSettingsPath();
// Empty until InitSettingsPath has run.
std::wstring GetSettingsPath();

// Hot-key text ("O" by default; an empty stored value keeps the last one).
std::wstring GetQuickKey();
// The virtual-key code of a hot-key text: its first character, letters in
// capitals (a lower-case code names another key: "o" is the keypad's "/");
// "O" for an empty text.
unsigned HotKeyCodeOf(const std::wstring& key);

int ReadSettingInt(const wchar_t* key, int defaultValue);
bool WriteSettingInt(const wchar_t* key, int value);
bool WriteSettingString(const wchar_t* key, const std::wstring& value);

int GetAutoStartSetting();    // "autoStart", 0
int GetStopOverSetting();     // "stopover", 1
int GetMinModeSetting();      // "minmode", 0
int GetMonitorTimeSetting();  // "MonitorTime", 1000 (never below 100)
bool IsAutoStartOn();         // "autoStart" is exactly 1
bool IsStopOverOn();          // "stopover" is exactly 1

// The text of a "STR_" key in the language chosen at the first lookup of the
// run; "-_-" when missing.
std::wstring GetLanguageString(const wchar_t* key);
// The language file in use (chosen on first call when not yet chosen).
std::wstring GetLanguageFilePath();
