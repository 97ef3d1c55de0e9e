#pragma once
// A test of the real program. Every test starts on a processor at its
// defaults and without a settings file, and leaves them so even when an
// assertion ends it early.
#include <gtest/gtest.h>

#include <string>

// The simulated processor of the program's copy back at its defaults (no
// state file: a freshly started machine).
void ResetProcessor();
// The settings file of the program's copy.
std::wstring IniPath();
// A copy of the default profile with extra [Faults] lines (the shipped
// profiles end with that section), in the program's copy; its full path.
std::wstring FaultProfile(const wchar_t* name, const std::string& faults);

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
