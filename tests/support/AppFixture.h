#pragma once
// A test of the real program. Every test starts on a processor at its
// defaults, without a settings file and without the hold file, and leaves
// them so even when an assertion ends it early.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

class CAppUnderTest;

// The simulated processor of the program's copy back at its defaults (no
// state file: a freshly started machine).
void ResetProcessor();
// The settings file of the program's copy.
std::wstring IniPath();
// A copy of the default profile with extra [Faults] lines (the shipped
// profiles end with that section), in the program's copy; its full path.
std::wstring FaultProfile(const wchar_t* name, const std::string& faults);
// The default processor, each of whose SDK calls takes `delayMs`.
std::wstring SlowProfile(int delayMs = 150);
// The default processor, each of whose SDK calls waits while the hold file
// exists (Hold(true) makes it, Hold(false) removes it), with more fault
// lines when asked.
std::wstring HoldProfile(const std::string& faults = "");
std::wstring HoldPath();
void Hold(bool on);
// The active values of the default profile's four core ratio controls
// (29 to 32) are `expected`: as the copy's simulated processor holds them,
// or as `read` gives them by control index.
void ExpectRatios(const double* expected, const char* what, double (*read)(int control) = nullptr);
// The tray menu, opened the way another program opens it and painted; a
// menu still closing (`previous`) is gone first. Null when none came.
HWND OpenMenu(CAppUnderTest& app, HWND hwnd, HWND previous = nullptr);
// The window is gone, shown, hidden (false after the tests' 30 s safety net;
// a null window is never shown).
bool WaitGone(HWND w);
bool WaitVisible(HWND w);
bool WaitHidden(HWND w);

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// The suites of the program's tests, each one on this fixture.
using AppStart = AppFixture;
using AppOneClick = AppFixture;
using AppInstance = AppFixture;
using AppRestoreSwitch = AppFixture;
using AppSdkFaults = AppFixture;
using AppHotKey = AppFixture;
using AppTrayMenu = AppFixture;
using AppExit = AppFixture;
using AppPlacement = AppFixture;
using AppShell = AppFixture;
using AppSettings = AppFixture;
using AppTrayIcon = AppFixture;
using AppDisplayScale = AppFixture;
using AppResume = AppFixture;
using AppConsole = AppFixture;
