#pragma once
// Names and defaults of the user settings kept in the INI file beside the
// executable (all in one section).

constexpr const wchar_t kSettingsSection[] = L"OverClockingKey";

// Letter of the global hot key (Ctrl+Alt+letter); its first character is used.
constexpr const wchar_t kKeyQuickKey[] = L"quickkey";
constexpr const wchar_t kDefaultQuickKey[] = L"O";

// 1: start with Windows; anything else: do not.
constexpr const wchar_t kKeyAutoStart[] = L"autoStart";
constexpr int kDefaultAutoStart = 0;

// Exactly 1: restore the default clock before exiting while overclocked.
constexpr const wchar_t kKeyStopOver[] = L"stopover";
constexpr int kDefaultStopOver = 1;

// Non-zero: the minimise button hides the window to the notification area.
constexpr const wchar_t kKeyMinMode[] = L"minmode";
constexpr int kDefaultMinMode = 0;

// Period of the current-frequency monitor, in milliseconds.
constexpr const wchar_t kKeyMonitorTime[] = L"MonitorTime";
constexpr int kDefaultMonitorTime = 1000;
constexpr int kMinMonitorTime = 100;
